// Worker processes of the reliability tests. Each mode runs the program's own Store and Backup code on a
// data folder shared with the test and writes one line per finished operation on standard output, with
// a single write(2) after the operation returned, so a line exists only for work the program reported.
//
//   book <agenda> <index> <bookings> <seed> <ready-fd> <go-fd> [naive|outage=<stop file>]
//       bookings, moves and deletes aimed mostly at the same few slots; "naive" books with a separate
//       check and write and no transaction around them, to show what the test catches; "outage" waits a
//       moment after each failed save, as a receptionist would, and goes on past <bookings> until the
//       stop file exists (at most five minutes), so that it is still booking while the server is away
//       and after it is back.
//   book-one <agenda> <dentist> <day> <start> <duration> <patient>
//       saves one appointment through the store: "ack", or "refused" and the message
//   watch <agenda> <patient> <timeout-ms>
//       follows the agenda as the program does and prints "seen" once an appointment of that patient
//       is in the week on show; "unseen" after the timeout
// <agenda> is the path of a data folder's calvora.sqlite, or "server:" and a server's connection line.
//   save-loop <db> <run>      saves appointments (and edits earlier ones) until killed
//   backup-loop <db> <run>    takes a daily backup, then on-demand backups, until killed
//   hold-lock <db> reading|immediate|exclusive|writing   takes the database's lock and keeps it until
//       killed: a read under way, a write transaction begun, one committing; "writing" has written so
//       much that part of it is already in the file, with the journal that would undo it beside it
//   agenda <db> <command-fd>  a second reception computer: its own Store on the file, which it looks at
//       again before each command, as the program's timer does. Reads one command a line from the
//       descriptor (fields separated by tabs) until it closes, and answers "<n>\tok" or
//       "<n>\trefused\t<message>" for the n-th:
//         book <dentist> <day> <start> <duration> <patient>   move <patient> <day> <dentist> <start>
//         treatment <patient> <text>   rename <dentist> <name>   delete <patient>
//         alert   (refused, with the store's alert as the message, while one is shown)

#include "Appointment.h"
#include "Backup.h"
#include "BackupFolder.h"
#include "Cal.h"
#include "Clock.h"
#include "ConnectionLine.h"
#include "Database.h"
#include "ServerArchive.h"
#include "SqliteArchive.h"
#include "FileStore.h"
#include "Scalar.h"
#include "Store.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QRandomGenerator>
#include <QThread>

#include <memory>
#include <tuple>

#include <cstdio>
#include <cstdlib>

#include <unistd.h>

namespace {

void emitLine(QStringList fields)
{
    for (QString& f : fields)
        f.replace(u'\n', "\\n").replace(u'\t', u' ');
    const QByteArray line = fields.join(u'\t').toUtf8() + '\n';
    qsizetype written = 0;
    while (written < line.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, line.constData() + written, size_t(line.size() - written));
        if (n <= 0)
            std::_Exit(5);
        written += n;
    }
}

const QString saveFailure = "Errore durante il salvataggio: ";
const QDate bookingWeek(2024, 12, 2); // Monday

// The agenda a worker runs on: the data folder's file (with its connection, for the naive mode) or a
// server.
struct Agenda {
    std::unique_ptr<Database> db;
    std::unique_ptr<AgendaArchive> archive;
};

Agenda openAgenda(const QString& where)
{
    Agenda agenda;
    if (where.startsWith(u"server:")) {
        const std::optional<ConnectionLine> line = ConnectionLine::parse(where.mid(7));
        if (!line)
            throw DatabaseError("bad connection line");
        agenda.archive = std::make_unique<ServerArchive>(*line, std::make_unique<BackupFolder>(QDir::tempPath()));
    } else {
        agenda.db = std::make_unique<Database>(where);
        agenda.archive = std::make_unique<SqliteArchive>(*agenda.db);
    }
    return agenda;
}

QStringList placement(const Appointment& a)
{
    return {QString::number(a.dentistId), a.day, QString::number(a.startMinutes), QString::number(a.durationMinutes)};
}

// --- book -----------------------------------------------------------------------------------------

class Booker {
public:
    enum class Mode { Store, Naive, Outage };

    Booker(Database* db, Store& store, int index, quint64 seed, Mode mode, QString stopFile = {})
        : m_db(db), m_store(store), m_index(index), m_random(seed * 1000003u + quint64(index)), m_mode(mode),
          m_stopFile(std::move(stopFile))
    {
    }

    void run(int bookings)
    {
        QElapsedTimer running;
        running.start();
        const auto goOn = [&] { return m_mode == Mode::Outage && !QFile::exists(m_stopFile) && running.elapsed() < 300000; };
        for (int i = 0; i < bookings || goOn(); ++i) {
            book(QStringLiteral("P%1-%2").arg(m_index, 2, 10, QChar(u'0')).arg(i, 5, 10, QChar(u'0')));
            const int roll = int(m_random.bounded(100));
            if (roll < 25)
                moveOne();
            else if (roll < 40)
                deleteOne();
        }
    }

private:
    // Most requests go where a receptionist would click: the first free slot of the first two dentists'
    // week as the agenda shows it after a refresh. Every worker sees the same first free slot, so they
    // keep arriving there together. The rest are spread over the whole week.
    Appointment slot()
    {
        const int durations[] = {15, 30, 45, 60};
        const int duration = durations[m_random.bounded(4)];
        if (m_random.bounded(100) < 80) {
            m_store.reload();
            for (int day = 0; day < 5; ++day)
                for (int start = 540; start + duration <= 1185; start += 15)
                    for (qint64 dentist : {1, 2})
                        if (isFree(bookingWeek.addDays(day), dentist, start, duration))
                            return Appointment{0, dentist, Cal::dayKey(bookingWeek.addDays(day)), start, duration,
                                               {}, {}, {}, {}};
        }
        Appointment a;
        a.dentistId = 1 + m_random.bounded(3);
        a.day = Cal::dayKey(bookingWeek.addDays(m_random.bounded(5)));
        a.startMinutes = 540 + 15 * int(m_random.bounded(43));
        a.durationMinutes = std::min(duration, 1185 - a.startMinutes);
        return a;
    }

    bool isFree(const QDate& day, qint64 dentist, int start, int duration) const
    {
        for (const Appointment& a : m_store.appointments(day, dentist))
            if (a.startMinutes < start + duration && start < a.endMinutes())
                return false;
        return true;
    }

    void book(const QString& tag)
    {
        Appointment a = slot();
        a.patient = tag;
        a.phone = "347 '%_\"";
        a.treatment = "Igiene orale";
        m_store.setAlertMessage(std::nullopt);
        const std::optional<QString> message = m_mode == Mode::Naive ? naiveSave(a) : m_store.save(a);
        if (message) {
            const bool failed = message->startsWith(saveFailure);
            emitLine(QStringList{"save", tag, failed ? "error" : "refused", *message} + placement(a));
            if (failed && m_mode == Mode::Outage)
                QThread::msleep(50);
            return;
        }
        emitLine(QStringList{"save", tag, "ok"} + placement(a));
        reportReadAlert();
        const std::optional<Appointment> stored = find(tag);
        if (!stored) {
            emitLine({"save", tag, "unfound"});
            return;
        }
        m_mine.insert(tag, *stored);
    }

    // What the store did before its check and write shared a transaction.
    std::optional<QString> naiveSave(const Appointment& a)
    {
        if (std::optional<QString> message = m_store.validate(a))
            return message;
        try {
            m_db->run(QStringLiteral("INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient, "
                                    "phone, treatment, notes)\nVALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                     {a.dentistId, a.day, a.startMinutes, a.durationMinutes, a.patient, a.phone, a.treatment,
                      a.notes});
        } catch (const DatabaseError& error) {
            return saveFailure + error.message();
        }
        return std::nullopt;
    }

    std::optional<Appointment> find(const QString& tag)
    {
        for (const Appointment& a : m_store.weekAppointments())
            if (a.patient == tag)
                return a;
        try {
            for (const Appointment& a : m_store.search(tag)) // the week could not be read
                if (a.patient == tag)
                    return a;
        } catch (const DatabaseError&) {
            // the archive is away: nothing to act on this round
        }
        return std::nullopt;
    }

    QString pickMine()
    {
        const QStringList tags = m_mine.keys();
        return tags.isEmpty() ? QString() : tags[qsizetype(m_random.bounded(quint32(tags.size())))];
    }

    void moveOne()
    {
        const QString tag = pickMine();
        if (tag.isEmpty())
            return;
        Appointment& a = m_mine[tag];
        const Appointment target = slot();
        m_store.setAlertMessage(std::nullopt);
        const QStringList to{QString::number(target.dentistId), target.day, QString::number(target.startMinutes)};
        if (m_store.move(a.id, Cal::parseDayKey(target.day).value(), target.dentistId, target.startMinutes)) {
            a.dentistId = target.dentistId;
            a.day = target.day;
            a.startMinutes = target.startMinutes;
            emitLine(QStringList{"move", tag, "ok"} + to);
            reportReadAlert();
            return;
        }
        const std::optional<QString> alert = m_store.alertMessage();
        if (!alert)
            emitLine(QStringList{"move", tag, "lost", QString()} + to);
        else
            emitLine(QStringList{"move", tag, alert->contains(u'\n' + saveFailure) ? "error" : "refused", *alert}
                     + to);
    }

    void deleteOne()
    {
        const QString tag = pickMine();
        if (tag.isEmpty())
            return;
        m_store.setAlertMessage(std::nullopt);
        m_store.deleteAppointment(m_mine.value(tag));
        const std::optional<QString> alert = m_store.alertMessage();
        if (alert && alert->startsWith("Errore durante l'eliminazione: ")) {
            emitLine({"delete", tag, "error", *alert});
            return;
        }
        m_mine.remove(tag);
        emitLine({"delete", tag, "ok"});
        reportReadAlert();
    }

    // A write that succeeded while the reload after it could not read the week.
    void reportReadAlert()
    {
        if (const std::optional<QString> alert = m_store.alertMessage())
            emitLine({"alert", *alert});
    }

    Database* m_db;
    Store& m_store;
    int m_index;
    QRandomGenerator m_random;
    Mode m_mode;
    QString m_stopFile;
    QHash<QString, Appointment> m_mine;
};

int book(const QStringList& args)
{
    const Agenda agenda = openAgenda(args[0]);
    Store store(*agenda.archive);
    // Wait until every worker is ready, then start together.
    const int readyFd = args[4].toInt();
    const int goFd = args[5].toInt();
    const char ready = 'r';
    if (::write(readyFd, &ready, 1) != 1)
        return 6;
    ::close(readyFd);
    char ignored;
    while (::read(goFd, &ignored, 1) > 0) {
    }
    ::close(goFd);
    const QString option = args.value(6);
    const Booker::Mode mode = option == u"naive"               ? Booker::Mode::Naive
                            : option.startsWith(u"outage=") ? Booker::Mode::Outage
                                                             : Booker::Mode::Store;
    if (mode == Booker::Mode::Naive && !agenda.db)
        return 2;
    Booker booker(agenda.db.get(), store, args[1].toInt(), args[3].toULongLong(), mode, option.section(u'=', 1));
    booker.run(args[2].toInt());
    emitLine({"done"});
    return 0;
}

// --- book-one -------------------------------------------------------------------------------------

int bookOne(const QStringList& args)
{
    const Agenda agenda = openAgenda(args[0]);
    Store store(*agenda.archive);
    const Appointment a{0, args[1].toLongLong(), args[2], args[3].toInt(), args[4].toInt(), args[5], {}, {}, {}};
    if (const std::optional<QString> message = store.save(a)) {
        emitLine({"refused", *message});
        return 1;
    }
    emitLine({"ack"});
    return 0;
}

// --- watch ----------------------------------------------------------------------------------------

// Asks the archive for changes every half second, as the program's own timer does.
int watch(const QStringList& args)
{
    const Agenda agenda = openAgenda(args[0]);
    Store store(*agenda.archive);
    emitLine({"ready"});
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < args[2].toInt()) {
        (void)store.refreshIfChangedElsewhere();
        for (const Appointment& a : store.weekAppointments()) {
            if (a.patient == args[1]) {
                emitLine(QStringList{"seen"} + placement(a));
                return 0;
            }
        }
        QThread::msleep(500);
    }
    emitLine({"unseen"});
    return 1;
}

// --- save-loop ------------------------------------------------------------------------------------

// Slot k of an endless sequence of free quarter hours: 43 starts, 3 dentists, 5 days a week.
Appointment sequenceSlot(qint64 k)
{
    Appointment a;
    a.startMinutes = 540 + 15 * int(k % 43);
    a.dentistId = 1 + (k / 43) % 3;
    a.day = Cal::dayKey(bookingWeek.addDays(7 * (k / (43 * 3 * 5)) + (k / (43 * 3)) % 5));
    a.durationMinutes = 15;
    return a;
}

int saveLoop(const QStringList& args)
{
    Database db(args[0]);
    FileStore store(db);
    emitLine({"ready"});
    qint64 k = TestSupport::integer(db, "SELECT COUNT(*) FROM appointments");
    QList<Appointment> acknowledged;
    QRandomGenerator random(quint32(args[1].toUInt()));
    for (int n = 0;; ++n) {
        if (!acknowledged.isEmpty() && n % 3 == 2) {
            // Edit an earlier appointment: a later version of its notes.
            Appointment& a = acknowledged[qsizetype(random.bounded(quint32(acknowledged.size())))];
            Appointment edited = a;
            edited.notes = QString::number(a.notes.toInt() + 1);
            if (!store.save(edited)) {
                a = edited;
                emitLine({"upd", a.patient, a.notes});
            }
            continue;
        }
        Appointment a = sequenceSlot(k++);
        a.patient = QStringLiteral("R%1-%2").arg(args[1]).arg(n);
        a.notes = "0";
        const std::optional<QString> message = store.save(a);
        if (message) {
            if (!message->startsWith(saveFailure))
                continue; // the slot holds the booking a killed run wrote without acknowledging it
            emitLine({"fail", a.patient, *message});
            continue;
        }
        emitLine({"ack", a.patient});
        try {
            for (const Appointment& f : store.search(a.patient))
                if (f.patient == a.patient)
                    acknowledged.append(f);
        } catch (const DatabaseError&) {
            // the line above already told the parent; only this worker's own list misses it
        }
    }
}

// --- backup-loop ----------------------------------------------------------------------------------

int backupLoop(const QStringList& args)
{
    const int run = args[1].toInt();
    // Two runs share each day, so a run killed during the daily backup is followed by one that must
    // still be able to take it; the time moves on by a second per backup, so names keep growing.
    const QDateTime start(QDate(2030, 1, 1).addDays(run / 2), QTime(8, 0).addSecs(3600 * (run % 2)));
    Clock::Pin clock(start);
    Database db(args[0]);
    emitLine({"ready"});
    try {
        Backup::dailyIfNeeded(db);
        emitLine({"daily", "calvora-" + Cal::dayKey(start.date()) + ".sqlite"});
    } catch (const DatabaseError& error) {
        emitLine({"fail", error.message()});
    }
    for (int i = 1;; ++i) {
        clock.set(start.addSecs(i));
        try {
            const QString path = Backup::now(db);
            emitLine({"ack", path.section(u'/', -1)});
        } catch (const DatabaseError& error) {
            emitLine({"fail", error.message()});
        }
    }
}

// --- hold-lock ------------------------------------------------------------------------------------

int holdLock(const QStringList& args)
{
    Database db(args[0]);
    const QString how = args[1];
    if (how == u"reading") {
        db.execute("BEGIN");
        (void)db.query("SELECT COUNT(*) FROM appointments", {}, [](const SQLRow&) { return 0; });
    } else {
        db.execute(how == u"exclusive" ? "BEGIN EXCLUSIVE" : "BEGIN IMMEDIATE");
    }
    if (how == u"writing") {
        // A page cache this small spills the transaction's pages into the file before any commit.
        db.execute("PRAGMA cache_size = 10");
        for (int i = 0; i < 200; ++i)
            db.run(QStringLiteral("INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient, notes) "
                                  "VALUES (1, '2024-12-06', 540, 15, 'Mai salvato', ?)"),
                   {QString(1000, u'x')});
    }
    emitLine({"locked"});
    for (;;)
        QThread::sleep(60);
}

// --- agenda ---------------------------------------------------------------------------------------

// One command through the Store, as the receptionist of the other computer would give it; the refusal's
// message, absent when done.
std::optional<QString> applyCommand(Store& store, const QStringList& command)
{
    const QString verb = command.value(0);
    if (verb == u"alert")
        return store.alertMessage();
    if (verb == u"book") {
        const Appointment a{0, command.value(1).toLongLong(), command.value(2), command.value(3).toInt(),
                            command.value(4).toInt(), command.value(5), {}, {}, {}};
        return store.save(a);
    }
    if (verb == u"rename") {
        std::optional<Dentist> dentist = store.dentist(command.value(1).toLongLong());
        if (!dentist)
            return "no such dentist";
        dentist->name = command.value(2);
        return store.updateDentist(*dentist);
    }
    std::optional<Appointment> found;
    for (const Appointment& a : store.search(command.value(1)))
        if (a.patient == command.value(1))
            found = a;
    if (!found)
        return "no such appointment";
    store.setAlertMessage(std::nullopt);
    if (verb == u"move") {
        if (store.move(found->id, Cal::parseDayKey(command.value(2)).value_or(QDate()), command.value(3).toLongLong(),
                       command.value(4).toInt()))
            return std::nullopt;
        return store.alertMessage().value_or("not moved");
    }
    if (verb == u"treatment") {
        Appointment edited = *found;
        edited.treatment = command.value(2);
        const std::optional<SaveRefusal> refusal = store.saveEdited(edited, *found);
        return refusal ? std::optional<QString>(refusal->message) : std::nullopt;
    }
    if (verb == u"delete") {
        store.deleteAppointment(*found);
        return store.alertMessage();
    }
    return "unknown command";
}

int agenda(const QStringList& args)
{
    Database db(args[0]);
    FileStore store(db);
    FILE* commands = ::fdopen(args[1].toInt(), "r");
    if (!commands)
        return 6;
    char* line = nullptr;
    size_t capacity = 0;
    for (int n = 1; ::getline(&line, &capacity, commands) > 0; ++n) {
        QString text = QString::fromUtf8(line);
        if (text.endsWith(u'\n'))
            text.chop(1);
        (void)store.refreshIfChangedElsewhere();
        const std::optional<QString> refusal = applyCommand(store, text.split(u'\t'));
        if (refusal)
            emitLine({QString::number(n), "refused", *refusal});
        else
            emitLine({QString::number(n), "ok"});
    }
    std::free(line);
    std::fclose(commands);
    emitLine({"done"});
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 2; i < argc; ++i)
        args.append(QString::fromUtf8(argv[i]));
    const QString mode = argc > 1 ? QString::fromUtf8(argv[1]) : QString();
    // Monday morning of the week the workers book in (backup-loop keeps a clock of its own).
    Clock::Pin clock(QDateTime(bookingWeek, QTime(8, 0)));
    // Each mode with the number of arguments it needs at least.
    const std::tuple<const char*, int, int (*)(const QStringList&)> modes[] = {
        {"book", 6, book},          {"book-one", 6, bookOne},       {"watch", 3, watch},
        {"save-loop", 2, saveLoop}, {"backup-loop", 2, backupLoop}, {"hold-lock", 2, holdLock},
        {"agenda", 2, agenda}};
    for (const auto& [name, needed, run] : modes) {
        if (mode != QLatin1String(name))
            continue;
        if (args.size() < needed)
            return 2;
        try {
            return run(args);
        } catch (const DatabaseError& error) {
            std::fprintf(stderr, "%s\n", error.what());
            return 1;
        }
    }
    std::fprintf(stderr, "unknown mode\n");
    return 2;
}
