#include "RecallExportCommand.h"

#include "AgendaArchive.h"
#include "Cal.h"
#include "CommandArchive.h"
#include "DatabaseError.h"
#include "RecallExport.h"
#include "Store.h"

#include <QDir>
#include <QRegularExpression>
#include <QTextStream>

#include <memory>

namespace {

const QString option = QStringLiteral("--export-recalls");

int failWith(const QString& message)
{
    QTextStream(stderr) << message << '\n';
    return 1;
}

// The first day of a month written exactly "yyyy-MM".
std::optional<QDate> parseMonth(const QString& text)
{
    static const QRegularExpression shape(QStringLiteral("^\\d{4}-\\d{2}$"));
    if (!shape.match(text).hasMatch())
        return std::nullopt;
    return Cal::parseDayKey(text + QStringLiteral("-01"));
}

} // namespace

namespace RecallExportCommand {

bool requested(const QStringList& arguments)
{
    return arguments.contains(option);
}

int run(const QStringList& arguments)
{
    const qsizetype at = arguments.indexOf(option);
    if (at + 2 >= arguments.size())
        return failWith(QStringLiteral("Uso: calvora --export-recalls <aaaa-mm> <file.csv> "
                                       "[--data-dir <cartella dei dati> | --server \"<riga di connessione>\"]"));
    const std::optional<QDate> month = parseMonth(arguments[at + 1]);
    if (!month)
        return failWith(QStringLiteral("Mese non valido: «") + arguments[at + 1]
                        + QStringLiteral("». Scrivilo come aaaa-mm, ad esempio 2027-06."));
    const QString path = QDir::current().absoluteFilePath(arguments[at + 2]);
    std::unique_ptr<AgendaArchive> archive;
    try {
        archive = CommandArchive::open();
    } catch (const DatabaseError& failure) {
        return failWith(QStringLiteral("Impossibile aprire l'archivio appuntamenti: ") + failure.message() + u'.');
    }
    Store store(*archive);
    QString reason;
    const std::optional<int> written = RecallExport::write(store, *month, path, &reason);
    if (!written)
        return failWith(reason);
    QTextStream(stdout) << "Richiami di " << Cal::format(*month, QStringLiteral("MMMMy")) << ": " << *written
                        << (*written == 1 ? " paziente" : " pazienti") << " in " << QDir::toNativeSeparators(path) << '\n';
    return 0;
}

} // namespace RecallExportCommand
