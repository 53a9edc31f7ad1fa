#include "CalendarFolder.h"

#include "Cal.h"
#include "CalendarExport.h"
#include "Clock.h"
#include "DatabaseError.h"
#include "ICalendar.h"
#include "Store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

namespace {

struct Job {
    QString folder;
    QString identity;
    QDateTime stamp;
    QList<std::pair<QString, ICalendar::Calendar>> files;
};

QString unreachable(const QString& folder)
{
    return QStringLiteral("la cartella ") + QDir::toNativeSeparators(folder) + QStringLiteral(" non è raggiungibile");
}

QString cannotWrite(const QString& path, const QString& reason)
{
    return QStringLiteral("impossibile scrivere ") + QDir::toNativeSeparators(path) + QStringLiteral(" (") + reason
        + u')';
}

// Writes the file unless it already holds the calendar. A failure leaves the file as it was and is
// answered.
std::optional<QString> keep(const QString& path, const QByteArray& bytes)
{
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && ICalendar::sameButStamp(existing.readAll(), bytes))
        return std::nullopt;
    existing.close();
    if (const std::optional<QString> failure = CalendarExport::save(path, bytes))
        return cannotWrite(path, *failure);
    return std::nullopt;
}

// Removes the calendars this agenda kept in the folder under names no working dentist has now (renamed
// or retired). Anything else there stays: other files, exports and invites, other agendas' calendars.
std::optional<QString> removeLeftOver(const Job& job)
{
    // Compared without case: a folder that ignores it holds a renamed "rossi.ics" as "Rossi.ics".
    QSet<QString> current;
    for (const auto& [name, calendar] : job.files)
        current.insert(name.toLower());
    const QDir folder(job.folder);
    for (const QString& name : folder.entryList({QStringLiteral("*.ics")}, QDir::Files)) {
        if (current.contains(name.toLower()))
            continue;
        QFile file(folder.filePath(name));
        if (!file.open(QIODevice::ReadOnly) || ICalendar::keptBy(file.read(1024)) != job.identity)
            continue;
        file.close();
        if (!file.remove())
            return QStringLiteral("impossibile togliere ") + QDir::toNativeSeparators(file.fileName())
                + QStringLiteral(" (") + file.errorString() + u')';
    }
    return std::nullopt;
}

// Every file is tried; the first failure is answered.
std::optional<QString> run(const Job& job)
{
    std::optional<QString> failure;
    for (const auto& [name, calendar] : job.files) {
        const std::optional<QString> kept = keep(job.folder + u'/' + name, ICalendar::write(calendar, job.stamp));
        if (!failure)
            failure = kept;
    }
    const std::optional<QString> removed = removeLeftOver(job);
    return failure ? failure : removed;
}

} // namespace

CalendarFolder::CalendarFolder(Store& store, int delayMs, QObject* parent)
    : QObject(parent)
    , m_store(store)
{
    m_writer.setMaxThreadCount(1);
    m_delay.setSingleShot(true);
    m_delay.setInterval(delayMs);
    connect(&m_delay, &QTimer::timeout, this, &CalendarFolder::update);
    // Every change reaches the store's changed(): its own writes and what it reloads from other computers.
    connect(&store, &Store::changed, this, &CalendarFolder::schedule);
    // The weeks covered move on with the days.
    m_dayChange.setInterval(10 * 60 * 1000);
    connect(&m_dayChange, &QTimer::timeout, this, &CalendarFolder::schedule);
    m_dayChange.start();
    schedule();
}

CalendarFolder::~CalendarFolder()
{
    m_writer.waitForDone();
}

void CalendarFolder::schedule()
{
    // Not restarted by every change, so that a busy moment still updates the files within the delay.
    if (!m_delay.isActive())
        m_delay.start();
}

void CalendarFolder::updateNow()
{
    m_delay.stop();
    update();
    m_writer.waitForDone();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

std::pair<QDate, QDate> CalendarFolder::span(const QDate& today)
{
    const QDate monday = today.addDays(1 - today.dayOfWeek());
    return {monday, monday.addDays(weeks * 7 - 1)};
}

QList<std::pair<qint64, QString>> CalendarFolder::fileNames(const QList<Dentist>& dentists)
{
    QHash<QString, int> uses;
    for (const Dentist& d : dentists)
        ++uses[CalendarExport::safeFileName(d.name).toLower()];
    QList<std::pair<qint64, QString>> names;
    for (const Dentist& d : dentists) {
        QString base = CalendarExport::safeFileName(d.name);
        if (base.isEmpty() || uses.value(base.toLower()) > 1)
            base = (base.isEmpty() ? QStringLiteral("Dentista") : base) + QStringLiteral(" (") + QString::number(d.id)
                + u')';
        names.append({d.id, base + QStringLiteral(".ics")});
    }
    return names;
}

void CalendarFolder::update()
{
    Job job;
    try {
        job.folder = m_store.calendarFolder();
        if (job.folder.isEmpty()) {
            report(std::nullopt);
            return;
        }
        // A folder this computer has not reached is another computer's to keep; one it kept has gone.
        if (!QFileInfo(job.folder).isDir()) {
            report(job.folder == m_reached ? std::optional(unreachable(job.folder)) : std::nullopt);
            return;
        }
        m_reached = job.folder;
        const auto [from, to] = span(Clock::today());
        job.identity = m_store.agendaIdentity();
        const QString& identity = job.identity;
        const QList<Appointment> found = m_store.fetchAppointments(Cal::dayKey(from), Cal::dayKey(to));
        QList<Dentist> working;
        for (const Dentist& d : m_store.dentists())
            if (d.worksOn(from))
                working.append(d);
        const QString practice = m_store.studioName().trimmed();
        QHash<qint64, qsizetype> fileOf;
        for (const auto& [id, name] : fileNames(working)) {
            const QString dentist = m_store.dentist(id)->name.trimmed();
            fileOf.insert(id, job.files.size());
            job.files.append(
                {name, {practice.isEmpty() ? dentist : dentist + QStringLiteral(" – ") + practice, {}, identity}});
        }
        for (const Appointment& a : found)
            if (const auto file = fileOf.constFind(a.dentistId); file != fileOf.cend())
                job.files[*file].second.events.append(CalendarExport::event(a, identity, m_store.dentist(a.dentistId)->name,
                                                                           practice, CalendarExport::Audience::Practice));
    } catch (const DatabaseError&) {
        return;
    }
    job.stamp = Clock::now();
    // The outcome comes back to this thread; the destructor waits for the job, so `this` outlives it.
    m_writer.start([this, job = std::move(job)] {
        QMetaObject::invokeMethod(this, [this, failure = run(job)] { report(failure); }, Qt::QueuedConnection);
    });
}

void CalendarFolder::report(const std::optional<QString>& reason)
{
    std::optional<QString> failure;
    if (reason)
        failure = QStringLiteral("I calendari dei dentisti non sono aggiornati: ") + *reason
            + QStringLiteral(". Si riprova alla prossima modifica.");
    // Set only when it differs: setting it is a change of the store, which brings another update.
    if (failure != m_store.calendarFolderFailure())
        m_store.setCalendarFolderFailure(failure);
}
