// The settings window's connection test: reaches the server, looks at the database, writes nothing.
#include "Cal.h"
#include "PgConnection.h"
#include "ServerArchive.h"
#include "ServerSchema.h"

ServerArchive::Probe ServerArchive::probe(const QString& line, const ServerFingerprints& trusted)
{
    QString reason;
    std::optional<ConnectionLine> parsed = ConnectionLine::parse(line, &reason);
    if (!parsed)
        return {false, Cal::capitalizedFirst(reason) + u'.'};
    parsed->setTrusted(trusted);
    PgConnection::Identity seen;
    try {
        const std::unique_ptr<PgConnection> c = PgConnection::open(*parsed, &seen);
        const QString where = c->description() + PgConnection::proofText(seen.proof);
        const ServerSchema::Inspection found = ServerSchema::inspect(*c);
        switch (found.content) {
        case ServerSchema::Content::Empty:
            return {true, QStringLiteral("Connessione riuscita: ") + where
                              + QStringLiteral(". Il database è vuoto: Calvora vi creerà l'archivio al primo avvio.")};
        case ServerSchema::Content::Calvora: {
            if (found.version > ServerSchema::currentVersion)
                return {false, QStringLiteral("Connessione riuscita, ma ")
                                   + DatabaseError::newer(found.version, ServerSchema::currentVersion).message() + u'.'};
            const std::optional<QString> unguarded = guardWarning(*c);
            return {true, QStringLiteral("Connessione riuscita: ") + where
                              + QStringLiteral(". Il database contiene l'archivio di Calvora.")
                              + (unguarded ? u' ' + *unguarded : QString())};
        }
        case ServerSchema::Content::Foreign:
            break;
        }
        return {false, QStringLiteral("Connessione riuscita, ma ") + ServerSchema::foreignText() + u'.'};
    } catch (const DatabaseError& error) {
        Probe refused{false, QStringLiteral("Connessione non riuscita: ") + error.message() + u'.'};
        // A certificate was seen but is vouched for by nobody: the one case a person can settle.
        if (error.kind() == DatabaseError::Kind::Untrusted && !seen.fingerprint.isEmpty())
            refused.unconfirmed = Unconfirmed{seen.endpoint, seen.fingerprint, seen.confirmed};
        return refused;
    }
}
