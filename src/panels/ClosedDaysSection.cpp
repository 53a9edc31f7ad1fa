#include "ClosedDaysSection.h"

#include "Cal.h"
#include "Clock.h"
#include "DatabaseError.h"
#include "Dialogs.h"
#include "PanelStyle.h"
#include "Store.h"

#include <QCalendarWidget>
#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

ClosedDaysSection::ClosedDaysSection(Store& store, QWidget* parent)
    : FormSection(QStringLiteral("Chiusure dello studio"), parent)
    , m_store(store)
{
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("closedList"));
    m_list->setMinimumHeight(110);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setAccessibleName(QStringLiteral("Chiusure dello studio"));
    form()->addRow(m_list);

    auto* period = new QWidget(this);
    auto* periodRow = new QHBoxLayout(period);
    periodRow->setContentsMargins(0, 0, 0, 0);
    const QString format = QStringLiteral("dd/MM/yyyy");
    m_from = PanelStyle::dateField(QStringLiteral("closedFrom"), Clock::today(), format, period, &m_store);
    m_to = PanelStyle::dateField(QStringLiteral("closedTo"), Clock::today(), format, period, &m_store);
    periodRow->addWidget(m_from);
    periodRow->addWidget(new QLabel(QStringLiteral("al"), period));
    periodRow->addWidget(m_to);
    periodRow->addStretch(1);
    m_from->setAccessibleName(QStringLiteral("Primo giorno di chiusura"));
    m_to->setAccessibleName(QStringLiteral("Ultimo giorno di chiusura"));
    form()->addRow(QStringLiteral("Dal"), period);

    m_reason = new QLineEdit(this);
    m_reason->setObjectName(QStringLiteral("closedReason"));
    m_reason->setPlaceholderText(QStringLiteral("Motivo (facoltativo), es. Ferie estive"));
    m_reason->setAccessibleName(QStringLiteral("Motivo"));
    form()->addRow(QStringLiteral("Motivo"), m_reason);

    auto* buttons = new QWidget(this);
    auto* buttonRow = new QHBoxLayout(buttons);
    buttonRow->setContentsMargins(0, 0, 0, 0);
    auto* add = new QPushButton(QStringLiteral("Aggiungi chiusura"), buttons);
    add->setObjectName(QStringLiteral("addClosedButton"));
    m_remove = new QPushButton(QStringLiteral("Rimuovi"), buttons);
    m_remove->setObjectName(QStringLiteral("removeClosedButton"));
    m_remove->setEnabled(false);
    m_holidays = new QPushButton(buttons);
    m_holidays->setObjectName(QStringLiteral("holidaysButton"));
    buttonRow->addWidget(add);
    buttonRow->addWidget(m_remove);
    buttonRow->addStretch(1);
    buttonRow->addWidget(m_holidays);
    form()->addRow(buttons);

    m_messageLabel = new QLabel(this);
    m_messageLabel->setObjectName(QStringLiteral("closedMessage"));
    m_messageLabel->setWordWrap(true);
    PanelStyle::style(m_messageLabel, PanelStyle::caption(), PanelStyle::errorRed());
    m_messageLabel->hide();
    form()->addRow(m_messageLabel);

    const auto followYear = [this] {
        m_holidays->setText(QStringLiteral("Festività %1").arg(m_from->date().year()));
        m_holidays->setToolTip(QStringLiteral("Aggiunge le festività nazionali del %1, Pasquetta compresa")
                                   .arg(m_from->date().year()));
    };
    followYear();
    // "al" goes with "Dal" when "Dal" passes it, and when the two made one day: correcting the day of a
    // one-day closure keeps it one day.
    m_fromShown = m_from->date();
    connect(m_from, &QDateEdit::dateChanged, this, [this, followYear](const QDate& from) {
        if (m_to->date() < from || m_to->date() == m_fromShown)
            m_to->setDate(from);
        m_fromShown = from;
        followYear();
    });
    // What a message said was about the input as it was.
    const auto forgetMessage = [this] { setMessage(std::nullopt); };
    connect(m_from, &QDateEdit::dateChanged, this, forgetMessage);
    connect(m_to, &QDateEdit::dateChanged, this, forgetMessage);
    connect(m_reason, &QLineEdit::textEdited, this, forgetMessage);
    connect(m_reason, &QLineEdit::returnPressed, this, &ClosedDaysSection::addPeriod);
    connect(add, &QPushButton::clicked, this, &ClosedDaysSection::addPeriod);
    connect(m_remove, &QPushButton::clicked, this, &ClosedDaysSection::removeSelected);
    connect(m_holidays, &QPushButton::clicked, this, &ClosedDaysSection::addHolidays);
    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) { m_remove->setEnabled(row >= 0); });
    connect(&m_store, &Store::changed, this, [this] {
        if (m_store.closedPeriods() != m_shown)
            showPeriods();
    });
    showPeriods();
}

QString ClosedDaysSection::describe(const ClosedPeriod& period)
{
    QString when = period.from == period.to
        ? Cal::format(period.from, QStringLiteral("EEEdMMMy"))
        : Cal::fromDayText(period.from, QStringLiteral("dMMM")) + u' '
            + Cal::toDayText(period.to, QStringLiteral("dMMMy"));
    return period.reason.isEmpty() ? when : when + QStringLiteral(" · ") + period.reason;
}

void ClosedDaysSection::addPeriod()
{
    if (m_to->date() < m_from->date()) {
        setMessage(QStringLiteral("Il giorno finale viene prima di quello iniziale."));
        return;
    }
    if (addClosures({{m_from->date(), m_to->date(), m_reason->text().simplified()}}) && !m_message)
        m_reason->clear();
}

void ClosedDaysSection::removeSelected()
{
    const int row = m_list->currentRow();
    if (row < 0 || row >= m_shown.size())
        return;
    QList<ClosedPeriod> periods = m_store.closedPeriods();
    periods.removeOne(m_shown[row]);
    save(periods);
}

void ClosedDaysSection::addHolidays()
{
    const QList<ClosedPeriod> added = ClosedDays::missingHolidays(m_store.closedPeriods(), m_from->date().year());
    if (added.isEmpty()) {
        setMessage(QStringLiteral("Le festività del %1 sono già tra le chiusure.").arg(m_from->date().year()));
        return;
    }
    addClosures(added);
}

bool ClosedDaysSection::addClosures(const QList<ClosedPeriod>& added)
{
    try {
        if (!confirmClosingOver(this, m_store, m_store.appointmentsIn(added)))
            return false;
    } catch (const DatabaseError& error) {
        setMessage(QStringLiteral("Errore nella lettura degli appuntamenti: ") + error.message());
        return false;
    }
    save(m_store.closedPeriods() + added);
    return true;
}

// Appointments already on the days stay there, greyed by the closure; the receptionist decides.
bool ClosedDaysSection::confirmClosingOver(QWidget* parent, const Store& store, const QList<Appointment>& appointments)
{
    if (appointments.isEmpty())
        return true;
    DialogRequest request;
    request.icon = QMessageBox::Warning;
    request.title = QStringLiteral("Chiudere lo studio in giorni con appuntamenti?");
    request.message = appointments.size() == 1
        ? QStringLiteral("Nei giorni da chiudere c'è già un appuntamento. Se aggiungi la chiusura resta nell'agenda: "
                         "spostalo in un giorno di apertura o eliminalo, e avvisa il paziente.")
        : QStringLiteral("Nei giorni da chiudere ci sono già %1 appuntamenti. Se aggiungi la chiusura restano "
                         "nell'agenda: spostali in un giorno di apertura o eliminali, e avvisa i pazienti.")
              .arg(appointments.size());
    for (const Appointment& a : appointments)
        request.lines.append(store.appointmentLine(a));
    // Cancelling comes first, so that Return never closes days over appointments.
    request.buttons = {{QStringLiteral("Annulla"), QMessageBox::RejectRole},
                       {QStringLiteral("Aggiungi comunque"), QMessageBox::AcceptRole}};
    request.escapeIndex = 0;
    return Dialogs::exec(parent, request) == 1;
}

void ClosedDaysSection::save(const QList<ClosedPeriod>& periods)
{
    setMessage(m_store.setClosedPeriods(periods));
    showPeriods();
}

void ClosedDaysSection::showPeriods()
{
    m_shown = m_store.closedPeriods(); // read back from its stored form, so in date order
    m_list->clear();
    for (const ClosedPeriod& period : std::as_const(m_shown))
        m_list->addItem(describe(period));
    if (m_shown.isEmpty())
        (new QListWidgetItem(QStringLiteral("Nessuna chiusura"), m_list))->setFlags(Qt::NoItemFlags);
    m_remove->setEnabled(false);
}

void ClosedDaysSection::setMessage(const std::optional<QString>& message)
{
    m_message = message;
    m_messageLabel->setText(message.value_or(QString()));
    m_messageLabel->setVisible(message.has_value());
}
