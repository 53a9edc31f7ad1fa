#include "PatientExportCommand.h"

#include "AgendaArchive.h"
#include "CommandArchive.h"
#include "DatabaseError.h"
#include "PatientExport.h"
#include "Store.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <memory>

namespace {

const QString option = QStringLiteral("--export-patient");
const QString usage = QStringLiteral("Uso: calvora --export-patient \"<nome del paziente>\" <cartella> "
                                     "[--data-dir <cartella dei dati> | --server \"<riga di connessione>\"]");

} // namespace

namespace PatientExportCommand {

bool requested(const QStringList& arguments)
{
    return arguments.contains(option);
}

int run(const QStringList& arguments)
{
    QTextStream err(stderr);
    const qsizetype at = arguments.indexOf(option);
    if (at + 2 >= arguments.size() || arguments[at + 1].trimmed().isEmpty()) {
        err << usage << '\n';
        return 1;
    }
    const QString name = arguments[at + 1];
    const QString folder = arguments[at + 2];
    if (!QFileInfo(folder).isDir()) {
        err << QStringLiteral("La cartella ") << QDir::toNativeSeparators(folder)
            << QStringLiteral(" non esiste. Nessun file è stato scritto.\n");
        return 1;
    }
    try {
        const std::unique_ptr<AgendaArchive> archive = CommandArchive::open();
        Store store(*archive);
        const PatientRecord record = store.patientRecord(name);
        if (record.isEmpty()) {
            err << QStringLiteral("Nessun appuntamento a nome «") << record.name
                << QStringLiteral("» nell'agenda. Nessun file è stato scritto.\n");
            return 1;
        }
        QStringList written;
        if (const std::optional<QString> failure = PatientExport::writeFolder(store, record, folder, &written)) {
            err << *failure << QStringLiteral(" Nessun file è stato scritto.\n");
            return 1;
        }
        QTextStream out(stdout);
        out << QStringLiteral("Dati di «") << record.name << QStringLiteral("»: ") << record.visits.size()
            << (record.visits.size() == 1 ? QStringLiteral(" appuntamento") : QStringLiteral(" appuntamenti"))
            << QStringLiteral(" scritti in\n");
        for (const QString& path : written)
            out << QDir::toNativeSeparators(path) << '\n';
    } catch (const DatabaseError& failure) {
        err << QStringLiteral("Impossibile leggere l'archivio appuntamenti: ") << failure.message()
            << QStringLiteral(". Nessun file è stato scritto.\n");
        return 1;
    }
    return 0;
}

} // namespace PatientExportCommand
