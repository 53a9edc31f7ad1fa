#include "ServerSetup.h"

#include "AppPaths.h"
#include "ConnectionLine.h"
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

QString capitalized(QString text)
{
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
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

Outcome test(const QString& line)
{
    const ServerArchive::Probe probe = ServerArchive::probe(line);
    return {probe.ok, probe.message};
}

Outcome save(const QString& line)
{
    QString reason;
    const std::optional<ConnectionLine> parsed = ConnectionLine::parse(line, &reason);
    if (!parsed)
        return {false, capitalized(reason) + QStringLiteral(". La riga non è stata salvata.")};
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
    const std::optional<ConnectionLine> parsed = ConnectionLine::parse(line, &reason);
    if (!parsed)
        return {false, capitalized(reason) + QStringLiteral(". Non è stato copiato nulla.")};
    try {
        const ServerCopy::Counts counts = ServerCopy::copyFile(agendaFile(), *parsed);
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
