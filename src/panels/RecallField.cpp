#include "RecallField.h"

#include "Cal.h"
#include "Clock.h"
#include "ComboTyping.h"
#include "PanelStyle.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

// The interval picker's items carry the months; a chosen day is -1.
constexpr int chosenDay = -1;

} // namespace

RecallField::RecallField(const RecallSettings& settings, const RecallPlan& plan, QWidget* parent)
    : QWidget(parent)
    , m_settings(settings)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    auto* row = new QHBoxLayout;
    m_interval = new QComboBox(this);
    m_interval->setObjectName(QStringLiteral("recallInterval"));
    m_interval->setAccessibleName(QStringLiteral("Richiamo"));
    m_interval->addItem(QStringLiteral("Nessuno"), 0);
    m_interval->addItem(QStringLiteral("Tra 6 mesi"), 6);
    m_interval->addItem(QStringLiteral("Tra 12 mesi"), 12);
    m_interval->addItem(QStringLiteral("Il giorno…"), chosenDay);
    m_day = PanelStyle::dateField(QStringLiteral("recallDay"), Clock::today().addMonths(6),
                                  QStringLiteral("dd/MM/yyyy"), this);
    m_day->setAccessibleName(QStringLiteral("Giorno del richiamo"));
    m_kind = new QComboBox(this);
    m_kind->setObjectName(QStringLiteral("recallKind"));
    m_kind->setAccessibleName(QStringLiteral("Tipo di richiamo"));
    for (const RecallSettings::Kind& k : m_settings.kinds)
        m_kind->addItem(k.name);
    for (QComboBox* box : {m_interval, m_kind})
        ComboTyping::enable(box);
    row->addWidget(m_interval, 1);
    row->addWidget(m_day, 1);
    row->addWidget(m_kind, 1);
    column->addLayout(row);
    m_consent = new QCheckBox(QStringLiteral("Il paziente accetta di essere ricontattato"), this);
    m_consent->setObjectName(QStringLiteral("recallConsent"));
    column->addWidget(m_consent);
    show(plan);

    const auto chosen = [this] {
        if (m_showing)
            return;
        m_touched = true;
        updateEnabled();
        emit edited();
    };
    connect(m_interval, &QComboBox::currentIndexChanged, this, chosen);
    connect(m_kind, &QComboBox::currentIndexChanged, this, chosen);
    connect(m_day, &QDateEdit::dateChanged, this, chosen);
    connect(m_consent, &QCheckBox::toggled, this, chosen);
}

RecallPlan RecallField::plan() const
{
    RecallPlan plan;
    const int months = m_interval->currentData().toInt();
    if (months == chosenDay)
        plan.day = m_day->date();
    else
        plan.months = months;
    plan.kind = m_kind->currentText();
    plan.consent = m_consent->isChecked();
    return plan;
}

void RecallField::propose(const RecallPlan& plan)
{
    if (!m_touched)
        show(plan);
}

void RecallField::show(const RecallPlan& plan)
{
    m_showing = true;
    m_interval->setCurrentIndex(m_interval->findData(plan.day ? chosenDay : plan.months));
    if (m_interval->currentIndex() < 0)
        m_interval->setCurrentIndex(0);
    if (plan.day)
        m_day->setDate(*plan.day);
    // A kind the practice has since removed is still the recall's own.
    if (!plan.kind.isEmpty() && m_kind->findText(plan.kind, Qt::MatchFixedString) < 0)
        m_kind->addItem(plan.kind);
    if (!plan.kind.isEmpty())
        m_kind->setCurrentIndex(m_kind->findText(plan.kind, Qt::MatchFixedString));
    m_consent->setChecked(plan.consent);
    updateEnabled();
    m_showing = false;
}

void RecallField::updateEnabled()
{
    const int months = m_interval->currentData().toInt();
    m_day->setVisible(months == chosenDay);
    m_kind->setEnabled(months != 0);
    m_consent->setEnabled(months != 0);
}
