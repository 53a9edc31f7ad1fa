#include "CalendarExportCommand.h"

#include "AgendaArchive.h"
#include "Cal.h"
#include "CalendarExport.h"
#include "CommandArchive.h"
#include "DatabaseError.h"
#include "Store.h"

#include <QTextStream>

#include <memory>

namespace {

const QString option = QStringLiteral("--export-ics");
const QString usage = QStringLiteral("Uso: calvora --export-ics <aaaa-mm-gg> <aaaa-mm-gg> <file.ics> "
                                     "[--data-dir <cartella dei dati> | --server \"<riga di connessione>\"]");

struct Request {
    QDate from;
    QDate to;
    QString file;
};

std::optional<Request> request(const QStringList& arguments, QString* error)
{
    const qsizetype at = arguments.indexOf(option);
    if (at < 0 || at + 3 >= arguments.size()) {
        *error = usage;
        return std::nullopt;
    }
    const Request r{QDate::fromString(arguments[at + 1], QStringLiteral("yyyy-MM-dd")),
                    QDate::fromString(arguments[at + 2], QStringLiteral("yyyy-MM-dd")), arguments[at + 3]};
    for (const auto& [day, text] : {std::pair{r.from, arguments[at + 1]}, std::pair{r.to, arguments[at + 2]}})
        if (!day.isValid()) {
            *error = QStringLiteral("«") + text + QStringLiteral("» non è una data valida (aaaa-mm-gg).\n") + usage;
            return std::nullopt;
        }
    if (r.to < r.from) {
        *error = QStringLiteral("Il secondo giorno viene prima del primo.\n") + usage;
        return std::nullopt;
    }
    return r;
}

} // namespace

namespace CalendarExportCommand {

bool requested(const QStringList& arguments)
{
    return arguments.contains(option);
}

int run(const QStringList& arguments)
{
    QTextStream err(stderr);
    QString error;
    const std::optional<Request> r = request(arguments, &error);
    if (!r) {
        err << error << '\n';
        return 1;
    }
    std::unique_ptr<AgendaArchive> archive;
    try {
        archive = CommandArchive::open();
    } catch (const DatabaseError& failure) {
        err << QStringLiteral("Impossibile aprire l'archivio appuntamenti: ") << failure.message()
            << QStringLiteral(". Il file non è stato scritto.\n");
        return 1;
    }
    Store store(*archive);
    if (const std::optional<QString> failure = CalendarExport::exportDays(store, r->from, r->to, r->file)) {
        err << *failure << '\n';
        return 1;
    }
    return 0;
}

} // namespace CalendarExportCommand
