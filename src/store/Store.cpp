#include "Store.h"

#include "AppointmentRows.h"
#include "Cal.h"
#include "Clock.h"
#include "Database.h"
#include "Settings.h"

Store::Store(Database& db, QObject* parent)
    : QObject(parent)
    , m_db(db)
    , m_anchor(Cal::nextWorkday(Clock::today()))
{
    loadSettings();
    reload();
}

void Store::setAnchor(const QDate& anchor)
{
    m_anchor = anchor;
    emit changed();
}

void Store::setMode(ViewMode mode)
{
    m_mode = mode;
    emit changed();
}

void Store::setEditing(const std::optional<Appointment>& appointment)
{
    m_editing = appointment;
    emit changed();
}

void Store::setPendingDelete(const std::optional<Appointment>& appointment)
{
    m_pendingDelete = appointment;
    emit changed();
}

void Store::setAlertMessage(const std::optional<QString>& message)
{
    m_alertMessage = message;
    emit changed();
}

void Store::setWeekAppointments(const QList<Appointment>& appointments)
{
    m_weekAppointments = appointments;
    emit changed();
}

void Store::loadSettings()
{
    try {
        m_dentists = m_db.query(QStringLiteral("SELECT id, name, color, position FROM dentists ORDER BY position"), {},
                                [](const SQLRow& row) {
                                    return Dentist{row.integer(0), row.text(1), row.text(2), int(row.integer(3))};
                                });
    } catch (const DatabaseError&) {
        m_dentists.clear();
    }
    emit changed();
    m_studioName = Settings::studioName(m_db);
    emit changed();
}

QList<Appointment> Store::fetchAppointments(const QString& fromKey, const QString& toKey)
{
    return m_db.query(QStringLiteral("SELECT ") + AppointmentRows::columns
                          + QStringLiteral(" FROM appointments WHERE day BETWEEN ? AND ? ORDER BY day, start_min"),
                      {fromKey, toKey}, AppointmentRows::fromRow);
}

void Store::reload()
{
    const QList<QDate> week = Cal::workdays(m_anchor);
    try {
        setWeekAppointments(fetchAppointments(Cal::dayKey(week.first()), Cal::dayKey(week.last())));
    } catch (const DatabaseError& error) {
        setAlertMessage(QStringLiteral("Errore nella lettura degli appuntamenti: ") + error.message());
    }
}

QList<QDate> Store::visibleDays() const
{
    if (m_mode == ViewMode::Week)
        return Cal::workdays(m_anchor);
    return {m_anchor};
}

QString Store::title() const
{
    if (m_mode == ViewMode::Week)
        return QStringLiteral("Settimana ") + Cal::rangeTitle(Cal::workdays(m_anchor));
    return Cal::rangeTitle({m_anchor});
}

void Store::step(int delta)
{
    QDate d;
    if (m_mode == ViewMode::Day) {
        d = m_anchor.addDays(delta);
        while (delta != 0 && !Cal::isWorkday(d))
            d = d.addDays(delta);
    } else {
        d = m_anchor.addDays(7 * qint64(delta));
    }
    setAnchor(Cal::nextWorkday(d));
    reload();
}

void Store::showDate(const QDate& date)
{
    setAnchor(Cal::nextWorkday(date));
    reload();
}

QList<Appointment> Store::appointments(const QDate& day, qint64 dentistId) const
{
    const QString key = Cal::dayKey(day);
    QList<Appointment> result;
    for (const Appointment& a : m_weekAppointments)
        if (a.dentistId == dentistId && a.day == key)
            result.append(a);
    return result;
}

std::optional<Dentist> Store::dentist(qint64 id) const
{
    for (const Dentist& d : m_dentists)
        if (d.id == id)
            return d;
    return std::nullopt;
}
