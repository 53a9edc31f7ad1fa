#include "Store.h"

#include "AgendaArchive.h"
#include "BackgroundReader.h"
#include "Cal.h"
#include "Clock.h"
#include "RestoreProof.h"
#include "SecondPlace.h"
#include "StorePractice.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QTimer>

#include <utility>

Store::Store(AgendaArchive& archive, QObject* parent)
    : QObject(parent)
    , m_archive(archive)
    , m_anchor(Cal::nextWorkday(Clock::today()))
{
    // Every entry of the activity log names this computer and its account.
    m_archive.setActor(AgendaArchive::localActor());
    // Marked before loading: whatever another program commits from here on is followed.
    (void)m_archive.changedElsewhere();
    loadSettings();
    reload();
}

Store::Store(std::unique_ptr<AgendaArchive> archive, QObject* parent)
    : QObject(parent)
    , m_ownedArchive(std::move(archive))
    , m_archive(*m_ownedArchive)
    , m_anchor(Cal::nextWorkday(Clock::today()))
{
    m_archive.setActor(AgendaArchive::localActor());
    (void)m_archive.changedElsewhere();
    loadSettings();
    reload();
}

static_assert(Store::keptBackups == AgendaArchive::keptBackups);

Store::~Store() = default;

bool Store::onServer() const
{
    return m_archive.kind() == AgendaArchive::Kind::Server;
}

QString Store::archiveLocation() const
{
    return m_archive.location();
}

QString Store::backupNow()
{
    const QString path = m_archive.backupNow();
    (void)logEvent(QStringLiteral("backup"), QStringLiteral("agenda"),
                   QJsonObject{{QStringLiteral("file"), QFileInfo(path).fileName()}});
    if (m_secondPlace)
        m_secondPlace->send(path);
    return path;
}

void Store::setSecondPlace(std::unique_ptr<SecondPlace> place)
{
    m_secondPlace = std::move(place);
    // Asked before each copy: a key created on another computer encrypts this one's next copy.
    if (m_secondPlace)
        m_secondPlace->setKeySource([this] { return recoveryPublicKey(); });
}

void Store::setRestoreProof(std::unique_ptr<RestoreProof> proof)
{
    m_restoreProof = std::move(proof);
}

std::optional<QString> Store::logEvent(const QString& action, const QString& target, const QJsonObject& details,
                                       const QJsonObject& personal)
{
    const auto json = [](const QJsonObject& o) { return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)); };
    try {
        m_archive.logEvent(action, target, json(details), json(personal));
    } catch (const DatabaseError& error) {
        return QStringLiteral("Impossibile scrivere nel registro attività: ") + error.message();
    }
    return std::nullopt;
}

bool Store::prepareSearch(bool wait)
{
    return m_archive.keepSearchIndex(wait);
}

void Store::followArchive(int intervalMs)
{
    if (!m_follow) {
        m_follow = new QTimer(this);
        connect(m_follow, &QTimer::timeout, this, &Store::refreshIfChangedElsewhere);
    }
    m_follow->start(intervalMs);
}

bool Store::refreshIfChangedElsewhere()
{
    const bool seen = m_archive.changedElsewhere();
    if (m_archive.replaced()) {
        stopOnReplacedArchive();
        return false;
    }
    if (!seen && !m_refreshPending)
        return false;
    try {
        const QList<Dentist> dentists = m_archive.dentists();
        const QString studioName = m_archive.studioName();
        const QHash<QString, QString> settings = m_archive.allSettings();
        const QList<Appointment> week = fetchWeek();
        const QHash<qint64, DayStatus> statuses = fetchStatuses(week);
        m_refreshPending = false;
        const QList<Dentist> practice = withRetirements(dentists, settings);
        if (practice != m_dentists) {
            m_dentists = practice;
            emit changed();
        }
        m_holidaysDeclined = settings.value(holidaysDeclinedKey).toInt();
        const QList<ClosedPeriod> closed = ClosedDays::fromText(settings.value(closedDaysKey));
        if (closed != m_closedPeriods) {
            m_closedPeriods = closed;
            emit changed();
        }
        if (studioName != m_studioName) {
            m_studioName = studioName;
            emit changed();
        }
        if (takeOperators(settings))
            emit changed();
        if (week != m_weekAppointments || statuses != m_weekStatuses || !m_weekLoaded) {
            m_weekStatuses = statuses;
            setWeekAppointments(week);
        } else {
            judgeWaitingOfferAgain(); // the change may be the waiting list's alone
        }
    } catch (const DatabaseError&) {
        // Shown as it was until a later look succeeds; a passing lock is no reason for an alert.
        m_refreshPending = true;
        return false;
    }
    // Another computer's anonymisation joins this computer's memory now, not only at its next start. A
    // failure here is tried again at the next change and at the start.
    (void)learnErasures(false);
    emit changedElsewhere();
    return true;
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
    if (appointment && m_readOnly)
        return;
    if (!appointment)
        m_bookingWaiting.reset();
    m_editing = appointment;
    emit changed();
}

void Store::setPendingDelete(const std::optional<Appointment>& appointment)
{
    if (appointment && m_readOnly)
        return;
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
    const bool sameWeek = m_weekLoaded && m_shownMonday == Cal::monday(m_anchor);
    const QList<Appointment> before = std::exchange(m_weekAppointments, appointments);
    m_shownMonday = Cal::monday(m_anchor);
    m_weekLoaded = true;
    m_readFailing = false;
    followWaitingOffer(sameWeek ? before : QList<Appointment>());
    emit changed();
}

void Store::loadSettings()
{
    QList<Dentist> dentists;
    QHash<QString, QString> settings;
    QString studioName;
    try {
        dentists = m_archive.dentists();
        settings = m_archive.allSettings();
        studioName = m_archive.studioName();
    } catch (const DatabaseError& error) {
        // The last good copy stays, so the closed days and retirements keep holding; the next change
        // check reads them again.
        m_refreshPending = true;
        setAlertMessage(QStringLiteral("Errore nella lettura delle impostazioni: ") + error.message());
        return;
    }
    m_dentists = withRetirements(dentists, settings);
    m_closedPeriods = ClosedDays::fromText(settings.value(closedDaysKey));
    m_holidaysDeclined = settings.value(holidaysDeclinedKey).toInt();
    m_studioName = studioName;
    (void)takeOperators(settings);
    emit changed();
}

QList<Appointment> Store::fetchAppointments(const QString& fromKey, const QString& toKey)
{
    return m_archive.appointments(fromKey, toKey);
}

QList<Appointment> Store::fetchWeek()
{
    const QList<QDate> week = Cal::workdays(m_anchor);
    return fetchAppointments(Cal::dayKey(week.first()), Cal::dayKey(week.last()));
}

void Store::reload()
{
    try {
        const QList<Appointment> week = fetchWeek();
        m_weekStatuses = fetchStatuses(week);
        setWeekAppointments(week);
    } catch (const DatabaseError& error) {
        // Nothing is shown of a week that was not read, and the next look at the archive reads it again.
        // While the archive stays away, one alert is enough: the agenda itself says the rest.
        m_weekAppointments.clear();
        m_weekStatuses.clear();
        m_weekLoaded = false;
        m_refreshPending = true;
        if (!std::exchange(m_readFailing, true))
            setAlertMessage(QStringLiteral("Errore nella lettura degli appuntamenti: ") + error.message());
        else
            emit changed();
    }
}

QString Store::unloadedText() const
{
    return m_mode == ViewMode::Week ? QStringLiteral("Settimana non caricata: l'archivio non risponde.")
                                    : QStringLiteral("Giorno non caricato: l'archivio non risponde.");
}

QString Store::unansweredText()
{
    return QStringLiteral("L'archivio non risponde: riprova tra poco.");
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
