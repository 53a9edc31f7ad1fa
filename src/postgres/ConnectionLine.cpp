#include "ConnectionLine.h"

#include "Libpq.h"

#include <libpq-fe.h>

#include <QDir>
#include <QFileInfo>

#include <memory>

#include <pwd.h>
#include <unistd.h>

namespace {

struct OptionsFree {
    void operator()(PQconninfoOption* options) const { PQconninfoFree(options); }
};

// libpq's own test: a host that begins with "/" (or "@", Linux's abstract namespace) is a socket folder.
bool isSocketFolder(const QString& host)
{
    return host.startsWith(u'/') || host.startsWith(u'@');
}

// Every entry of a comma-separated host list is a socket folder.
bool allSocketFolders(const QString& hosts)
{
    const QStringList entries = hosts.split(u',');
    return std::all_of(entries.begin(), entries.end(), [](const QString& h) { return isSocketFolder(h.trimmed()); });
}

QString homeFolder(const QProcessEnvironment& environment)
{
    const QString home = environment.value(QStringLiteral("HOME"));
    if (!home.isEmpty())
        return home;
    const passwd* user = ::getpwuid(::geteuid());
    return user ? QFile::decodeName(user->pw_dir) : QDir::homePath();
}

} // namespace

std::optional<ConnectionLine> ConnectionLine::parse(const QString& line, QString* reason)
{
    const auto refuse = [reason](const QString& text) -> std::optional<ConnectionLine> {
        if (reason)
            *reason = text;
        return std::nullopt;
    };
    const QString trimmed = line.trimmed();
    if (trimmed.isEmpty())
        return refuse(QStringLiteral("la riga di connessione è vuota"));
    if (trimmed.contains(QChar(0)) || trimmed.contains(u'\n'))
        return refuse(QStringLiteral("la riga di connessione deve stare su una sola riga"));
    if (const QString missing = Libpq::load(); !missing.isEmpty())
        return refuse(missing);
    char* error = nullptr;
    std::unique_ptr<PQconninfoOption, OptionsFree> parsed(PQconninfoParse(trimmed.toUtf8().constData(), &error));
    if (!parsed) {
        const QString detail = error ? QString::fromUtf8(error).trimmed() : QStringLiteral("memoria esaurita");
        PQfreemem(error);
        return refuse(QStringLiteral("la riga di connessione non è valida (") + detail + QStringLiteral(")"));
    }
    ConnectionLine result;
    result.m_text = trimmed;
    for (const PQconninfoOption* o = parsed.get(); o->keyword; ++o)
        if (o->val)
            result.m_options.insert(QString::fromUtf8(o->keyword), QString::fromUtf8(o->val));
    if (result.m_options.contains(QStringLiteral("password")))
        return refuse(QStringLiteral("la riga di connessione contiene una password, che Calvora non conserva: "
                                     "toglila dalla riga e scrivila nel file delle password di PostgreSQL "
                                     "(~/.pgpass) di questo computer"));
    return result;
}

bool ConnectionLine::overTcp(const QProcessEnvironment& environment) const
{
    if (!option(QStringLiteral("hostaddr")).isEmpty())
        return true;
    const QString host = option(QStringLiteral("host"));
    if (!host.isEmpty())
        return !allSocketFolders(host);
    if (!option(QStringLiteral("service")).isEmpty() || !environment.value(QStringLiteral("PGSERVICE")).isEmpty())
        return true;
    if (!environment.value(QStringLiteral("PGHOSTADDR")).isEmpty())
        return true;
    const QString envHost = environment.value(QStringLiteral("PGHOST"));
    // No host at all: libpq's default is the local socket folder.
    return !envHost.isEmpty() && !allSocketFolders(envHost);
}

bool ConnectionLine::requiresTls(const QProcessEnvironment& environment) const
{
    return option(QStringLiteral("sslmode")).isEmpty() && environment.value(QStringLiteral("PGSSLMODE")).isEmpty()
        && option(QStringLiteral("service")).isEmpty() && overTcp(environment);
}

QStringList ConnectionLine::hosts(const QProcessEnvironment& environment) const
{
    for (const char* source : {"host", "hostaddr"})
        if (const QString named = option(QString::fromLatin1(source)); !named.isEmpty())
            return named.split(u',');
    if (!option(QStringLiteral("service")).isEmpty())
        return {};
    for (const char* variable : {"PGHOST", "PGHOSTADDR"})
        if (const QString named = environment.value(QString::fromLatin1(variable)); !named.isEmpty())
            return named.split(u',');
    return {};
}

QString ConnectionLine::rootCertificate(const QProcessEnvironment& environment) const
{
    if (const QString named = option(QStringLiteral("sslrootcert")); !named.isEmpty())
        return named;
    if (const QString named = environment.value(QStringLiteral("PGSSLROOTCERT")); !named.isEmpty())
        return named;
    return homeFolder(environment) + QStringLiteral("/.postgresql/root.crt");
}

// Nothing can live under /dev/null, which is no folder.
QString ConnectionLine::noRootCertificate()
{
    return QStringLiteral("/dev/null/nessun-certificato-radice");
}

QString ConnectionLine::chosenSslMode(const QProcessEnvironment& environment) const
{
    const QStringList named = hosts(environment);
    const bool confirmed = std::any_of(named.cbegin(), named.cend(),
                                       [this](const QString& host) { return m_trusted.namesHost(host.trimmed()); });
    if (confirmed)
        return QStringLiteral("require");
    const QString root = rootCertificate(environment);
    // "system" asks a newer libpq for the system's authorities.
    return root == u"system" || QFileInfo::exists(root) ? QStringLiteral("verify-full") : QStringLiteral("require");
}

ConnectionLine::Options ConnectionLine::connectionOptions(const QProcessEnvironment& environment) const
{
    Options result;
    // Texts travel as UTF-8 whatever the line says.
    for (auto it = m_options.cbegin(); it != m_options.cend(); ++it)
        if (it.key() != u"client_encoding")
            result.append({it.key(), it.value()});
    result.append({QStringLiteral("client_encoding"), QStringLiteral("UTF8")});
    const auto byDefault = [&](const char* keyword, const QString& value) {
        if (!m_options.contains(QString::fromLatin1(keyword)))
            result.append({QString::fromLatin1(keyword), value});
    };
    QString mode = option(QStringLiteral("sslmode"));
    if (mode.isEmpty())
        mode = environment.value(QStringLiteral("PGSSLMODE"));
    if (requiresTls(environment)) {
        mode = chosenSslMode(environment);
        byDefault("sslmode", mode);
    }
    // A mode that checks no certificate leaves the proof to a confirmed fingerprint, which a root
    // certificate lying in ~/.postgresql must not overrule by failing a chain it was never meant for.
    if (overTcp(environment) && (mode == u"require" || mode == u"prefer" || mode == u"allow"))
        byDefault("sslrootcert", noRootCertificate());
    byDefault("connect_timeout", QString::number(defaultConnectTimeout));
    byDefault("application_name", QStringLiteral("Calvora"));
    if (overTcp(environment)) {
        byDefault("keepalives_idle", QStringLiteral("20"));
        byDefault("keepalives_interval", QStringLiteral("5"));
        byDefault("keepalives_count", QStringLiteral("3"));
        byDefault("tcp_user_timeout", QStringLiteral("15000"));
    }
    return result;
}
