#include "ConnectFailure.h"

namespace {

using Reason = ConnectFailure::Reason;

QString withDetail(const QString& text, const QString& detail)
{
    return detail.isEmpty() ? text : text + QStringLiteral(" (") + detail + u')';
}

QString textOf(Reason reason, const ConnectFailure::Context& c)
{
    switch (reason) {
    case Reason::Unreachable:
        return withDetail(QStringLiteral("nessun server risponde all'indirizzo indicato dalla riga"), c.detail);
    case Reason::TimedOut:
        return QStringLiteral("il server non ha risposto entro ") + QString::number(c.timeoutSeconds)
               + QStringLiteral(" secondi");
    case Reason::NoTls:
        return withDetail(QStringLiteral("il server non accetta connessioni cifrate (TLS): attiva SSL sul server "
                                         "oppure, solo in una rete fidata, scrivi sslmode=disable nella riga"),
                          c.detail);
    case Reason::Unencrypted:
        return QStringLiteral("la connessione al server non è cifrata (TLS): attiva SSL sul server oppure, solo in "
                              "una rete fidata, scrivi sslmode=disable nella riga");
    case Reason::CertificateRefused:
        return withDetail(QStringLiteral("il certificato del server non è attendibile: non è garantito dal "
                                         "certificato radice ")
                              + c.rootFile + QStringLiteral(" o non porta il nome del server"),
                          c.detail);
    case Reason::RootMissing:
        return QStringLiteral("il certificato del server non si può verificare: manca il certificato radice ")
               + c.rootFile;
    case Reason::IdentityUnproven:
        return QStringLiteral("l'identità del server ") + c.endpoint
               + QStringLiteral(" non è verificata: nessun certificato radice di questo computer garantisce il suo "
                                "certificato, e l'impronta del certificato non è stata confermata");
    case Reason::IdentityChanged:
        return QStringLiteral("il certificato del server ") + c.endpoint
               + QStringLiteral(" non è quello confermato su questo computer: la sua impronta è cambiata, perciò "
                                "potrebbe essere un altro computer che si finge il server");
    case Reason::PasswordMissing:
        return QStringLiteral("il server chiede una password per l'utente «") + c.user
               + QStringLiteral("», ma il file delle password di PostgreSQL di questo computer (~/.pgpass) non ne ha "
                                "una per questo server");
    case Reason::LoginRefused:
        return withDetail(QStringLiteral("il server ha rifiutato l'accesso dell'utente «") + c.user
                              + QStringLiteral("» al database «") + c.database + QStringLiteral("»"),
                          c.detail);
    }
    return c.detail;
}

bool questionsIdentity(Reason reason)
{
    switch (reason) {
    case Reason::CertificateRefused:
    case Reason::RootMissing:
    case Reason::IdentityUnproven:
    case Reason::IdentityChanged:
        return true;
    default:
        return false;
    }
}

} // namespace

namespace ConnectFailure {

DatabaseError error(Reason reason, const Context& context)
{
    return DatabaseError(textOf(reason, context),
                         questionsIdentity(reason) ? DatabaseError::Kind::Untrusted : DatabaseError::Kind::Unavailable);
}

} // namespace ConnectFailure
