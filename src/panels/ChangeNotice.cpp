#include "ChangeNotice.h"

#include "Cal.h"
#include "PanelStyle.h"
#include "Schedule.h"
#include "Store.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

const QString mergedText = QStringLiteral("La scheda ora unisce la versione salvata e le tue modifiche. Questi "
                                          "campi sono stati cambiati sia da te sia dall'altro computer: scegli "
                                          "quale valore tenere.");

// Long notes are shown on one line; the whole text is the choice's tooltip.
constexpr int shownCharacters = 40;

} // namespace

QString fieldLabel(AppointmentField field)
{
    switch (field) {
    case AppointmentField::Patient:
        return QStringLiteral("Nome e cognome");
    case AppointmentField::Phone:
        return QStringLiteral("Telefono");
    case AppointmentField::Dentist:
        return QStringLiteral("Dentista");
    case AppointmentField::Day:
        return QStringLiteral("Data");
    case AppointmentField::Start:
        return QStringLiteral("Ora");
    case AppointmentField::Duration:
        return QStringLiteral("Durata");
    case AppointmentField::Treatment:
        return QStringLiteral("Prestazione");
    case AppointmentField::Notes:
        return QStringLiteral("Note");
    }
    return {};
}

ChangeNotice::ChangeNotice(const Store& store, int padding, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
{
    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(padding, 6, padding, 0);
    rows->setSpacing(6);
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("noticeText"));
    m_text->setWordWrap(true);
    PanelStyle::style(m_text, PanelStyle::body(), PanelStyle::noticeOrange());
    rows->addWidget(m_text);

    m_choices = new QWidget(this);
    auto* choices = new QHBoxLayout(m_choices);
    choices->setContentsMargins(0, 0, 0, 0);
    m_useStored = new QPushButton(QStringLiteral("Usa la versione salvata"), m_choices);
    m_useStored->setObjectName(QStringLiteral("useStoredButton"));
    m_saveOver = new QPushButton(QStringLiteral("Salva la mia versione"), m_choices);
    m_saveOver->setObjectName(QStringLiteral("saveOverButton"));
    for (QPushButton* button : {m_useStored, m_saveOver}) {
        button->setAutoDefault(false);
        choices->addWidget(button);
    }
    choices->addStretch(1);
    rows->addWidget(m_choices);

    m_conflicts = new QWidget(this);
    m_conflictRows = new QGridLayout(m_conflicts);
    m_conflictRows->setContentsMargins(0, 0, 0, 0);
    m_conflictRows->setHorizontalSpacing(12);
    m_conflictRows->setColumnStretch(3, 1);
    rows->addWidget(m_conflicts);

    connect(m_useStored, &QPushButton::clicked, this, &ChangeNotice::useStoredRequested);
    connect(m_saveOver, &QPushButton::clicked, this, &ChangeNotice::saveOverRequested);
    setState(State::Hidden, {});
}

std::optional<QString> ChangeNotice::text() const
{
    if (m_state == State::Hidden)
        return std::nullopt;
    return m_text->text();
}

void ChangeNotice::showChanged(const QString& text)
{
    setState(State::Changed, text);
}

void ChangeNotice::showDeleted(const QString& text)
{
    setState(State::Deleted, text);
}

void ChangeNotice::clear()
{
    setState(State::Hidden, {});
}

void ChangeNotice::setState(State state, const QString& text)
{
    if (state != State::Merged)
        clearConflicts();
    m_state = state;
    m_text->setText(text);
    m_choices->setVisible(state == State::Changed);
    m_conflicts->setVisible(state == State::Merged);
    setVisible(state != State::Hidden);
}

void ChangeNotice::showConflicts(const Appointment& mine, const Appointment& stored,
                                 const QList<AppointmentField>& fields)
{
    clearConflicts();
    m_mine = mine;
    m_stored = stored;
    for (qsizetype i = 0; i < fields.size(); ++i)
        addConflict(int(i), fields[i]);
    setState(State::Merged, mergedText);
}

void ChangeNotice::clearConflicts()
{
    while (QLayoutItem* item = m_conflictRows->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    qDeleteAll(m_conflicts->findChildren<QButtonGroup*>(Qt::FindDirectChildrenOnly));
}

// One row: the field's label, then its stored value and the user's, as a choice between the two.
void ChangeNotice::addConflict(int row, AppointmentField field)
{
    auto* label = new QLabel(fieldLabel(field) + u':', m_conflicts);
    label->setFont(PanelStyle::body());
    m_conflictRows->addWidget(label, row, 0);
    auto* group = new QButtonGroup(m_conflicts);
    const auto choice = [&](const QString& name, const QString& owner, const Appointment& from, int column,
                            bool checked) {
        const QString value = valueText(field, from);
        QString shown = value.simplified();
        if (shown.size() > shownCharacters)
            shown = shown.left(shownCharacters - 1) + u'…';
        auto* button = new QRadioButton(owner + QStringLiteral(": ") + shown, m_conflicts);
        button->setObjectName(name.arg(row));
        if (shown != value)
            button->setToolTip(value);
        button->setChecked(checked);
        group->addButton(button);
        m_conflictRows->addWidget(button, row, column);
        connect(button, &QRadioButton::toggled, this, [this, field, from](bool on) {
            if (on)
                emit valueChosen(field, from);
        });
    };
    choice(QStringLiteral("storedValue%1"), QStringLiteral("Salvata"), m_stored, 1, true);
    choice(QStringLiteral("myValue%1"), QStringLiteral("Tua"), m_mine, 2, false);
}

QString ChangeNotice::valueText(AppointmentField field, const Appointment& a) const
{
    QString text;
    switch (field) {
    case AppointmentField::Patient:
        text = a.patient;
        break;
    case AppointmentField::Phone:
        text = a.phone;
        break;
    case AppointmentField::Dentist: {
        const std::optional<Dentist> dentist = m_store.dentist(a.dentistId);
        text = dentist ? dentist->name : QString();
        break;
    }
    case AppointmentField::Day:
        text = Cal::format(a.date(), QStringLiteral("EEEEdMMMM"));
        break;
    case AppointmentField::Start:
        text = Schedule::clockText(a.startMinutes);
        break;
    case AppointmentField::Duration:
        text = formatDuration(a.durationMinutes);
        break;
    case AppointmentField::Treatment:
        text = a.treatment;
        break;
    case AppointmentField::Notes:
        text = a.notes;
        break;
    }
    return text.trimmed().isEmpty() ? QStringLiteral("(vuoto)") : text;
}
