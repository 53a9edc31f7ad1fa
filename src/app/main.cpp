#include "AppPaths.h"
#include "BackupNowCommand.h"
#include "CalendarExportCommand.h"
#include "Cal.h"
#include "CalvoraApp.h"
#include "CalvoraView.h"
#include "CommandLine.h"
#include "LogVerifyCommand.h"
#include "PatientExportCommand.h"
#include "RecallExportCommand.h"
#include "ReminderExportCommand.h"
#include "ScreenshotMode.h"
#include "SelfTest.h"
#include "ServerLogSchema.h"
#include "ServerSetup.h"
#include "Store.h"

#include <QApplication>
#include <QFontDatabase>
#include <QIcon>
#include <QLibraryInfo>
#include <QTextStream>
#include <QTimer>
#include <QTranslator>

#include <future>

namespace {

QStringList argumentList(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// The command-line modes need no display.
void useOffscreenUnlessChosen()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// Qt's own dialogs (colour chooser, print dialog) in Italian when the translations are installed.
void installItalianTranslations(QApplication& app)
{
    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Italian), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
}

} // namespace

int main(int argc, char** argv)
{
    const QStringList arguments = argumentList(argc, argv);
    AppPaths::setOverrideDataFolder(CommandLine::dataFolder(arguments));
    ServerSetup::setCommandLineLine(CommandLine::serverLine(arguments));
    if (CommandLine::selfTest(arguments)) {
        QTextStream out(stdout);
        const std::optional<QString> output = CommandLine::outputFolder(arguments);
        if (!AppPaths::overrideDataFolder() || !output) {
            // The check writes; it must never run on the practice's real data folder.
            out << "Uso: calvora --self-test --data-dir <cartella di prova> --out <cartella dei risultati>\n";
            return 2;
        }
        useOffscreenUnlessChosen();
        QGuiApplication app(argc, argv);
        QLocale::setDefault(Cal::locale());
        return SelfTest::run(*AppPaths::overrideDataFolder(), *output, out);
    }
    if (CommandLine::copyToServer(arguments)) {
        const std::optional<QString> line = CommandLine::copyToServerLine(arguments);
        if (!line) {
            QTextStream(stderr) << "Uso: calvora --copy-to-server \"<riga di connessione>\" [--data-dir <cartella dei dati>]\n";
            return 2;
        }
        QCoreApplication app(argc, argv);
        QLocale::setDefault(Cal::locale());
        QTextStream(stdout) << "Copia di " << ServerSetup::agendaFile() << " sul server in corso…" << Qt::endl;
        const ServerSetup::Outcome outcome = ServerSetup::copyToServer(*line);
        QTextStream(outcome.ok ? stdout : stderr) << outcome.message << '\n';
        return outcome.ok ? 0 : 1;
    }
    if (ReminderExportCommand::requested(arguments)) {
        QCoreApplication app(argc, argv);
        QLocale::setDefault(Cal::locale());
        return ReminderExportCommand::run(arguments);
    }
    if (RecallExportCommand::requested(arguments)) {
        QCoreApplication app(argc, argv);
        QLocale::setDefault(Cal::locale());
        return RecallExportCommand::run(arguments);
    }
    if (BackupNowCommand::requested(arguments)) {
        QCoreApplication app(argc, argv);
        QLocale::setDefault(Cal::locale());
        return BackupNowCommand::run(arguments);
    }
    if (arguments.contains(QStringLiteral("--print-log-guard"))) {
        // For the server's administrator, to pipe into psql as the superuser: no archive is opened.
        QTextStream(stdout) << ServerLogSchema::guardStep();
        return 0;
    }
    if (LogVerifyCommand::requested(arguments)) {
        QCoreApplication app(argc, argv);
        QLocale::setDefault(Cal::locale());
        return LogVerifyCommand::run();
    }
    if (CalendarExportCommand::requested(arguments)) {
        QCoreApplication app(argc, argv);
        QLocale::setDefault(Cal::locale());
        return CalendarExportCommand::run(arguments);
    }
    if (PatientExportCommand::requested(arguments)) {
        useOffscreenUnlessChosen(); // the PDF's fonts need a display server of some kind
        QGuiApplication app(argc, argv);
        QLocale::setDefault(Cal::locale());
        return PatientExportCommand::run(arguments);
    }
    const std::optional<QString> screenshots = CommandLine::screenshotFolder(arguments);
    if (screenshots && !AppPaths::overrideDataFolder()) {
        // Demo appointments must never land in a practice's real agenda.
        QTextStream(stderr) << "--screenshots richiede --data-dir con una cartella di prova.\n";
        return 2;
    }

    if (screenshots)
        useOffscreenUnlessChosen();
    QApplication app(argc, argv);
    // The system's font list (about 10 ms) and the Italian calendar data (a few ms) are read once per
    // process, before the first text and the first date: helper threads read them while the archive opens.
    const std::future<void> fontList = std::async(std::launch::async, [] { (void)QFontDatabase::families(); });
    const std::future<void> calendar = std::async(std::launch::async, [] { Cal::prepareFormats(); });
    QApplication::setApplicationName(QStringLiteral("Calvora"));
    QApplication::setApplicationVersion(QStringLiteral(CALVORA_VERSION));
    QApplication::setQuitOnLastWindowClosed(true);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/calvora.svg")));
    QLocale::setDefault(Cal::locale());
    installItalianTranslations(app);

    CalvoraApp shell;
    if (screenshots)
        return ScreenshotMode::run(shell, *screenshots);
    shell.agendaWindow().show();
    // Searches, known patients and treatment suggestions read the whole agenda; once the window is up a
    // worker thread copies what they need into memory, so that none of them waits for the archive.
    QTimer::singleShot(500, &shell, [&shell] { (void)shell.store().prepareSearch(); });
    return QApplication::exec();
}
