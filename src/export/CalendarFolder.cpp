#include "CalendarFolder.h"

#include "Cal.h"
#include "CalendarExport.h"
#include "Clock.h"
#include "DatabaseError.h"
#include "ICalendar.h"
#include "Store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace {

struct Job {
    QString folder;
    QDateTime stamp;
    QList<std::pair<QString, ICalendar::Calendar>> files;
};

// Writes the file unless it already holds the calendar. A failure leaves the file as it was.
void keep(const QString& path, const QByteArray& bytes)
{
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && ICalendar::sameButStamp(existing.readAll(), bytes))
        return;
    existing.close();
    (void)CalendarExport::save(path, bytes);
}

void run(const Job& job)
{
    for (const auto& [name, calendar] : job.files)
        keep(job.folder + u'/' + name, ICalendar::write(calendar, job.stamp));
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
        // Not set, or not reachable from this computer: another computer keeps it.
        if (job.folder.isEmpty() || !QFileInfo(job.folder).isDir())
            return;
        const auto [from, to] = span(Clock::today());
        const QString identity = m_store.agendaIdentity();
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
            job.files.append({name, {practice.isEmpty() ? dentist : dentist + QStringLiteral(" – ") + practice, {}}});
        }
        for (const Appointment& a : found)
            if (const auto file = fileOf.constFind(a.dentistId); file != fileOf.cend())
                job.files[*file].second.events.append(CalendarExport::event(a, identity, m_store.dentist(a.dentistId)->name,
                                                                           practice, CalendarExport::Audience::Practice));
    } catch (const DatabaseError&) {
        return;
    }
    job.stamp = Clock::now();
    m_writer.start([job = std::move(job)] { run(job); });
}
