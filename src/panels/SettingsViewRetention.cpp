// The settings window's retention: appointments older than a number of years anonymised, once a day.
#include "SettingsView.h"

#include "DatabaseError.h"
#include "Dialogs.h"
#include "FormSection.h"
#include "PanelStyle.h"
#include "Store.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>

namespace {

// The usual advice for the clinical records; the diary of appointments is the practice's own choice.
constexpr int suggestedYears = 10;

bool confirmed(QWidget* parent, int years)
{
    DialogRequest request;
    request.icon = QMessageBox::Warning;
    request.title = QStringLiteral("Anonimizzare gli appuntamenti più vecchi di %1 anni?").arg(years);
    request.message = QStringLiteral(
        "Da oggi, ogni giorno, nome, telefono, prestazione e note degli appuntamenti (anche cancellati) e della "
        "lista d'attesa più vecchi di %1 anni saranno sostituiti da «Paziente anonimizzato», anche nel registro "
        "attività. Giorni, orari e dentisti restano. L'operazione non si può annullare; i backup già fatti "
        "conservano i dati di prima finché non vengono sostituiti dai più recenti.")
                          .arg(years);
    request.buttons = {{QStringLiteral("Annulla"), QMessageBox::RejectRole},
                       {QStringLiteral("Anonimizza"), QMessageBox::DestructiveRole}};
    request.escapeIndex = 0;
    return Dialogs::exec(parent, request) == 1;
}

} // namespace

QWidget* SettingsView::buildRetentionSection(QWidget* parent)
{
    auto* section = new FormSection(QStringLiteral("Conservazione dei dati"), parent);
    auto* row = new QWidget(section);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    m_retention = new QCheckBox(QStringLiteral("Anonimizza gli appuntamenti più vecchi di"), row);
    m_retention->setObjectName(QStringLiteral("retention"));
    m_retentionYears = new QSpinBox(row);
    m_retentionYears->setObjectName(QStringLiteral("retentionYears"));
    m_retentionYears->setRange(1, 99);
    m_retentionYears->setSuffix(QStringLiteral(" anni"));
    m_retentionYears->setAccessibleName(QStringLiteral("Anni di conservazione"));
    std::optional<int> stored;
    try {
        stored = m_store.retentionYears();
    } catch (const DatabaseError&) {
        // Shown as off; a change is judged again when made.
    }
    m_retention->setChecked(stored.has_value());
    m_retentionYears->setValue(stored.value_or(suggestedYears));
    m_retentionYears->setEnabled(stored.has_value());
    line->addWidget(m_retention);
    line->addWidget(m_retentionYears);
    line->addStretch(1);
    section->form()->addRow(row);
    m_retentionMessage = new QLabel(section);
    m_retentionMessage->setObjectName(QStringLiteral("retentionMessage"));
    m_retentionMessage->setWordWrap(true);
    PanelStyle::style(m_retentionMessage, PanelStyle::callout(), palette().color(QPalette::WindowText));
    m_retentionMessage->hide();
    section->form()->addRow(m_retentionMessage);
    section->form()->addRow(captionLabel(
        QStringLiteral("Spento, i dati restano finché non li anonimizzi tu. Quanto conservare lo decide lo studio: "
                       "la Guida riporta le indicazioni più comuni."),
        section));
    connect(m_retention, &QCheckBox::toggled, this, &SettingsView::changeRetention);
    connect(m_retentionYears, &QSpinBox::editingFinished, this, &SettingsView::changeRetention);
    return section;
}

void SettingsView::changeRetention()
{
    const std::optional<int> wanted = m_retention->isChecked() ? std::optional(m_retentionYears->value()) : std::nullopt;
    std::optional<int> stored;
    try {
        stored = m_store.retentionYears();
    } catch (const DatabaseError&) {
    }
    if (wanted == stored)
        return;
    // Turning it on, or shortening it, anonymises at once what lies beyond.
    const bool reachesMore = wanted && (!stored || *wanted < *stored);
    if (reachesMore && !confirmed(this, *wanted)) {
        const QSignalBlocker blockBox(m_retention);
        const QSignalBlocker blockYears(m_retentionYears);
        m_retention->setChecked(stored.has_value());
        m_retentionYears->setValue(stored.value_or(suggestedYears));
        m_retentionYears->setEnabled(stored.has_value());
        return;
    }
    m_retentionYears->setEnabled(wanted.has_value());
    const std::optional<QString> failure = m_store.setRetentionYears(wanted);
    m_retentionMessage->setText(failure.value_or(QString()));
    m_retentionMessage->setVisible(failure.has_value());
}
