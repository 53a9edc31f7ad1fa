// Loads an agenda file into an empty server database and compares the two archives on it:
//   server_compare <file .sqlite> "<connection line>" [stride]
// (the search texts are taken from every stride-th appointment, 331 by default)
// Prints the time of the copy, the search equivalence (every match of each text, both archives),
// the times of the searches and the plan the server uses for some of them.
#include "BackupFolder.h"
#include "ConnectionLine.h"
#include "Database.h"
#include "FileAgendaSource.h"
#include "LikePattern.h"
#include "PgConnection.h"
#include "SeededGenerator.h"
#include "ServerArchive.h"
#include "ServerCopy.h"
#include "SqliteArchive.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSet>
#include <QTextStream>

#include <algorithm>

namespace {

// Texts a receptionist might type: pieces of real names, phones and treatments, some with the case
// changed, a wildcard or an accented letter, and a few texts that match nothing.
QStringList searchTexts(Database& file, int stride)
{
    const QStringList sources = file.query(
        "SELECT patient || '|' || phone || '|' || treatment FROM appointments WHERE id % ? = 0", {stride},
        [](const SQLRow& r) { return r.text(0); });
    SeededGenerator random(11);
    QStringList texts{"ro", "RO", "à", "È", "Ò", "%", "_", "__", "3_3", "a%o", "zz", "pz9zq", "xyq", "'", "\\"};
    for (const QString& source : sources) {
        for (const QString& field : source.split('|')) {
            if (field.size() < 2)
                continue;
            const int length = 2 + int(random.next(std::min<quint64>(5, field.size() - 1)));
            const int at = int(random.next(quint64(field.size() - length + 1)));
            QString text = field.mid(at, length);
            switch (random.next(5)) {
            case 0: text = text.toUpper(); break;
            case 1: text = text.toLower(); break;
            case 2: text[int(random.next(quint64(text.size())))] = '_'; break;
            default: break;
            }
            texts << text;
        }
    }
    texts.removeDuplicates();
    return texts;
}

QList<qint64> ids(const QList<Appointment>& list)
{
    QList<qint64> result;
    for (const Appointment& a : list)
        result << a.id;
    std::sort(result.begin(), result.end());
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3 && args.size() != 4) {
        out << "Uso: server_compare <file .sqlite> \"<riga di connessione a un database vuoto>\"\n";
        return 2;
    }
    try {
        Database file(args[1]);
        SqliteArchive local(file);
        const ConnectionLine line = *ConnectionLine::parse(args[2]);
        QElapsedTimer timer;
        timer.start();
        const ServerCopy::Counts copied = ServerCopy::copy([&] { return FileAgendaSource::open(args[1]); }, line);
        out << "copy of " << copied.appointments << " appointments: " << timer.elapsed() << " ms\n";
        ServerArchive server(line, std::make_unique<BackupFolder>(QDir::tempPath()));

        const QStringList texts = searchTexts(file, args.size() == 4 ? args[3].toInt() : 331);
        qint64 matches = 0, differing = 0, localMs = 0, serverMs = 0, slowestServer = 0;
        for (const QString& text : texts) {
            const QString pattern = LikePattern::containing(text);
            timer.restart();
            const QList<qint64> a = ids(local.search(pattern, 10'000'000));
            localMs += timer.restart();
            const QList<qint64> b = ids(server.search(pattern, 10'000'000));
            const qint64 ms = timer.elapsed();
            serverMs += ms;
            slowestServer = std::max(slowestServer, ms);
            matches += a.size();
            if (a != b) {
                ++differing;
                out << "DIFFERENT: \"" << text << "\" file " << a.size() << " server " << b.size() << '\n';
            }
        }
        out << texts.size() << " search texts, " << matches << " matches in all, " << differing
            << " texts with different matches; all matches: file " << localMs << " ms, server " << serverMs
            << " ms (slowest " << slowestServer << " ms)\n";

        // As the search panel asks: the newest 200.
        qint64 slowest200 = 0;
        for (const QString& text : texts) {
            timer.restart();
            (void)server.search(LikePattern::containing(text), 200);
            slowest200 = std::max(slowest200, timer.elapsed());
        }
        out << "server, newest 200 per text: slowest " << slowest200 << " ms\n";
        timer.restart();
        const QStringList treatments = server.mostUsedTreatments(25);
        out << "server, 25 most used treatments: " << timer.elapsed() << " ms; same as the file: "
            << (treatments == local.mostUsedTreatments(25) ? "yes" : "no") << '\n';

        const std::unique_ptr<PgConnection> explain = PgConnection::open(line);
        for (const char* text : {"%pz9zq%", "%rossi%", "%333 12%", "%ro%"}) {
            const PgResult plan =
                explain->query("EXPLAIN (ANALYZE, COSTS OFF) " + ServerArchive::searchStatement(200), {QString(text)});
            out << "\nEXPLAIN ANALYZE, pattern " << text << ":\n";
            for (int i = 0; i < plan.rows(); ++i)
                out << "  " << plan.text(i, 0) << '\n';
        }
    } catch (const DatabaseError& error) {
        out << "Errore: " << error.message() << '\n';
        return 1;
    }
    return 0;
}
