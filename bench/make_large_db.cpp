// Writes the large measurement database and shows what it holds:
//   make_large_db <new file .sqlite>         the ten-year agenda: generate, then count
//   make_large_db --full <new file .sqlite>  the fullest agenda: every quarter hour of twenty years booked
//   make_large_db --check <file .sqlite>     count only
//   make_large_db --log <N> <file .sqlite>   append N sealed entries to the file's activity log
#include "Database.h"
#include "LargeDatabase.h"
#include "LargeLog.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTextStream>

namespace {

void show(QTextStream& out, const LargeDatabase::Census& c)
{
    const double perDentistDay = c.workingDays * c.dentists > 0 ? double(c.appointments) / double(c.workingDays * c.dentists) : 0;
    out << "appointments                 " << c.appointments << '\n'
        << "days                         " << c.firstDay << " .. " << c.lastDay << ", " << c.workingDays
        << " working days, " << c.dentists << " dentists\n"
        << "per dentist per working day  " << QString::number(perDentistDay, 'f', 2) << '\n'
        << "overlapping pairs            " << c.overlaps << '\n'
        << "other broken booking rules   " << c.broken << '\n'
        << "distinct patients            " << c.patients << '\n'
        << "distinct treatments          " << c.treatments << '\n'
        << "with a phone                 " << c.withPhone << '\n'
        << "with notes                   " << c.withNotes << '\n';
}

// Twenty years of a busy practice's log in an existing agenda, and what it costs in the file.
int appendLog(QTextStream& out, const QString& path, qint64 entries)
{
    if (entries <= 0 || !QFileInfo::exists(path)) {
        out << "Uso: make_large_db --log <numero di voci> <file .sqlite esistente>\n";
        return 2;
    }
    try {
        Database db(path);
        const qint64 before = QFileInfo(path).size();
        QElapsedTimer timer;
        timer.start();
        LargeLog::append(db, entries);
        const qint64 after = QFileInfo(path).size();
        out << entries << " voci scritte in " << timer.elapsed() << " ms; il file cresce di " << (after - before)
            << " byte, " << QString::number(double(after - before) / double(entries), 'f', 1) << " byte per voce\n";
        return 0;
    } catch (const DatabaseError& error) {
        out << error.message() << '\n';
        return 1;
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 4 && args[1] == u"--log")
        return appendLog(out, args[3], args[2].toLongLong());
    const bool checkOnly = args.size() == 3 && args[1] == u"--check";
    const bool full = args.size() == 3 && args[1] == u"--full";
    const QString path = args.size() == 3 ? args[2] : args.value(1);
    const bool usage = (args.size() == 3 && !checkOnly && !full) || (args.size() != 2 && args.size() != 3);
    if (usage || (!checkOnly && QFileInfo::exists(path)) || (checkOnly && !QFileInfo::exists(path))) {
        out << "Uso: make_large_db [--full] <nuovo file .sqlite> | make_large_db --check <file .sqlite>\n";
        return 2;
    }
    try {
        Database db(path);
        if (!checkOnly) {
            QElapsedTimer timer;
            timer.start();
            const qint64 count = LargeDatabase::fill(db, full ? LargeDatabase::fullTwentyYears() : LargeDatabase::Options{});
            out << count << " appuntamenti scritti in " << timer.elapsed() << " ms\n";
        }
        const LargeDatabase::Census c = LargeDatabase::census(db);
        show(out, c);
        return c.overlaps == 0 && c.broken == 0 ? 0 : 1;
    } catch (const DatabaseError& error) {
        out << error.message() << '\n';
        return 1;
    }
}
