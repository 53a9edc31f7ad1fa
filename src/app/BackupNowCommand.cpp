#include "BackupNowCommand.h"

#include "AgendaArchive.h"
#include "Backup.h"
#include "CommandArchive.h"
#include "DatabaseError.h"
#include "OperatorChoice.h"
#include "SecondPlace.h"
#include "Store.h"

#include <QDir>
#include <QSettings>
#include <QTextStream>

namespace {

const QString option = QStringLiteral("--backup-now");
const QString toOption = QStringLiteral("--to");

} // namespace

namespace BackupNowCommand {

bool requested(const QStringList& arguments)
{
    return arguments.contains(option);
}

std::unique_ptr<SecondPlace> localSecondPlace(const QString& agendaLocation)
{
    return std::make_unique<SecondPlace>(OperatorChoice::localSettings(), agendaLocation, &Backup::copyChecked);
}

int run(const QStringList& arguments)
{
    QTextStream err(stderr);
    QString to;
    if (const qsizetype at = arguments.indexOf(toOption); at >= 0) {
        if (at + 1 >= arguments.size() || arguments[at + 1].trimmed().isEmpty()) {
            err << QStringLiteral("Uso: calvora --backup-now [--to <cartella>] "
                                  "[--data-dir <cartella dei dati> | --server \"<riga di connessione>\"]\n");
            return 1;
        }
        to = QDir(arguments[at + 1]).absolutePath();
    }
    try {
        const std::unique_ptr<AgendaArchive> archive = CommandArchive::open();
        Store store(*archive);
        const std::unique_ptr<SecondPlace> place = localSecondPlace(store.archiveLocation());
        place->setKeySource([&store] { return store.recoveryPublicKey(); });
        if (to.isEmpty() && place->folder().isEmpty()) {
            err << QStringLiteral("Nessuna cartella per le copie dei backup: indicala con --to <cartella> o in "
                                  "Impostazioni… › Archivio e backup. Nessun backup è stato creato.\n");
            return 1;
        }
        const QString backup = store.backupNow();
        QTextStream out(stdout);
        out << QStringLiteral("Backup creato: ") << QDir::toNativeSeparators(backup) << Qt::endl;
        if (const std::optional<QString> failure = place->copyNow(backup, to)) {
            err << *failure << '\n';
            return 1;
        }
        out << place->lastOutcome() << '\n';
    } catch (const DatabaseError& failure) {
        err << QStringLiteral("Backup non riuscito: ") << failure.message() << QStringLiteral(".\n");
        return 1;
    }
    return 0;
}

} // namespace BackupNowCommand
