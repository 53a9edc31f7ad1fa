#include "ServerSetup.h"

#include "AppPaths.h"
#include "Cal.h"
#include "ConnectionLine.h"
#include "FileAgendaSource.h"
#include "ServerArchive.h"
#include "ServerCopy.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

std::optional<QString>& commandLine()
{
    static std::optional<QString> line;
    return line;
}

const QString nextStart = QStringLiteral(" Vale dal prossimo avvio di Calvora.");

const QString compareAdvice = QStringLiteral(
    "Confrontala con l'impronta del certificato sul server (il comando è nella Guida Calvora, «L'identità del "
    "server»).");

QString trustQuestion(const ServerArchive::Unconfirmed& seen)
{
    if (seen.confirmed.isEmpty())
        return QStringLiteral("Il server ") + seen.endpoint
            + QStringLiteral(" presenta un certificato che nessun certificato radice di questo computer garantisce. "
                             "La sua impronta SHA-256 è:\n\n")
            + seen.fingerprint + QStringLiteral("\n\n") + compareAdvice
            + QStringLiteral(" Se coincide, Calvora la ricorda su questo computer e da allora rifiuta ogni certificato "
                             "diverso; se non coincide, qualcuno potrebbe fingersi il server: non confermare.");
    return QStringLiteral("Il certificato del server ") + seen.endpoint
        + QStringLiteral(" non è quello confermato su questo computer.\n\nImpronta confermata:\n") + seen.confirmed
        + QStringLiteral("\n\nImpronta presentata ora:\n") + seen.fingerprint + QStringLiteral("\n\n") + compareAdvice
        + QStringLiteral(" Conferma solo se il certificato del server è stato sostituito e la nuova impronta coincide: "
                         "altrimenti qualcuno potrebbe fingersi il server.");
}

ServerSetup::Outcome trustAndTest(const QString& line, const ServerArchive::Unconfirmed& seen)
{
    ServerFingerprints kept = ServerFingerprints::read(ServerSetup::fingerprintsPath());
    kept.set(seen.endpoint, seen.fingerprint);
    QString error;
    if (!kept.write(ServerSetup::fingerprintsPath(), &error))
        return {false, QStringLiteral("Impossibile salvare l'impronta in ") + ServerSetup::fingerprintsPath()
                           + QStringLiteral(" (") + error + QStringLiteral(").")};
    ServerSetup::Outcome tested = ServerSetup::test(line);
    tested.message = QStringLiteral("Impronta del certificato confermata e salvata in ")
        + QString::fromLatin1(ServerSetup::fingerprintsFileName) + QStringLiteral(". ") + tested.message;
    return tested;
}

} // namespace

namespace ServerSetup {

void setCommandLineLine(const std::optional<QString>& line)
{
    commandLine() = line;
}

std::optional<QString> commandLineLine()
{
    return commandLine();
}

QString filePath()
{
    return AppPaths::dataFolder() + u'/' + QString::fromLatin1(fileName);
}

std::optional<QString> savedLine(QString* error)
{
    QFile file(filePath());
    if (!file.exists())
        return std::nullopt;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        if (error)
            *error = QStringLiteral("impossibile leggere ") + filePath() + QStringLiteral(" (") + file.errorString()
                + u')';
        return std::nullopt;
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    for (const QString& line : lines) {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty() && !trimmed.startsWith(u'#'))
            return trimmed;
    }
    return std::nullopt;
}

std::optional<Active> activeLine(QString* error)
{
    if (commandLine())
        return Active{*commandLine(), QStringLiteral("--server")};
    if (const std::optional<QString> saved = savedLine(error))
        return Active{*saved, filePath()};
    return std::nullopt;
}

QString fingerprintsPath()
{
    return AppPaths::dataFolder() + u'/' + QString::fromLatin1(fingerprintsFileName);
}

std::optional<ConnectionLine> connectionLine(const QString& line, QString* reason)
{
    std::optional<ConnectionLine> parsed = ConnectionLine::parse(line, reason);
    if (parsed)
        parsed->setTrusted(ServerFingerprints::read(fingerprintsPath()));
    return parsed;
}

Outcome test(const QString& line)
{
    const ServerArchive::Probe probe = ServerArchive::probe(line, ServerFingerprints::read(fingerprintsPath()));
    Outcome result{probe.ok, probe.message};
    if (const std::optional<ServerArchive::Unconfirmed> seen = probe.unconfirmed) {
        result.question = trustQuestion(*seen);
        result.trust = [line, seen = *seen] { return trustAndTest(line, seen); };
    }
    return result;
}

Outcome save(const QString& line)
{
    QString reason;
    const std::optional<ConnectionLine> parsed = ConnectionLine::parse(line, &reason);
    if (!parsed)
        return {false, Cal::capitalizedFirst(reason) + QStringLiteral(". La riga non è stata salvata.")};
    QSaveFile file(filePath());
    if (file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        file.write("# Server dell'archivio di Calvora: riga di connessione di PostgreSQL, senza password.\n"
                   "# Calvora la legge all'avvio; eliminando questo file torna al file calvora.sqlite.\n");
        file.write(parsed->text().toUtf8() + '\n');
        if (file.commit())
            return {true, QStringLiteral("Riga salvata in ") + QFileInfo(filePath()).fileName()
                              + QStringLiteral(": Calvora userà il server.") + nextStart};
    }
    return {false, QStringLiteral("Impossibile salvare la riga in ") + filePath() + QStringLiteral(" (")
                       + file.errorString() + QStringLiteral(").")};
}

Outcome remove()
{
    QFile file(filePath());
    if (!file.exists())
        return {true, QStringLiteral("Nessuna riga da rimuovere: Calvora usa il file calvora.sqlite della cartella Dati.")};
    if (!file.remove())
        return {false, QStringLiteral("Impossibile rimuovere ") + filePath() + QStringLiteral(" (")
                           + file.errorString() + QStringLiteral(").")};
    return {true, QStringLiteral("Riga rimossa: Calvora userà il file calvora.sqlite della cartella Dati.")
                      + nextStart};
}

QString agendaFile()
{
    return AppPaths::dataFolder() + QStringLiteral("/calvora.sqlite");
}

Outcome copyToServer(const QString& line)
{
    QString reason;
    const std::optional<ConnectionLine> parsed = connectionLine(line, &reason);
    if (!parsed)
        return {false, Cal::capitalizedFirst(reason) + QStringLiteral(". Non è stato copiato nulla.")};
    try {
        const ServerCopy::Counts counts = ServerCopy::copy([] { return FileAgendaSource::open(agendaFile()); }, *parsed);
        return {true, QStringLiteral("Copia riuscita: ") + ServerCopy::countsText(counts)
                          + QStringLiteral(" sono ora sul server (contati di nuovo sul server dopo la copia). Ogni "
                                           "computer usa il server dopo aver salvato questa riga nelle Impostazioni, "
                                           "al successivo avvio di Calvora.")};
    } catch (const DatabaseError& error) {
        const bool uncertain = error.message() == ServerCopy::lostConfirmationText();
        return {false, QStringLiteral("Copia non riuscita: ") + error.message() + u'.'
                           + (uncertain ? QString() : QStringLiteral(" Sul server non è stato scritto nulla."))};
    }
}

} // namespace ServerSetup
