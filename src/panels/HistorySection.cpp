#include "HistorySection.h"

#include "ActivityText.h"
#include "PanelStyle.h"
#include "Store.h"

#include <QLabel>
#include <QScrollArea>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

HistorySection::HistorySection(Store& store, qint64 appointmentId, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_id(appointmentId)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    m_toggle = new QToolButton(this);
    m_toggle->setObjectName(QStringLiteral("historyToggle"));
    m_toggle->setText(QStringLiteral("Storia"));
    m_toggle->setCheckable(true);
    m_toggle->setAutoRaise(true);
    m_toggle->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_toggle->setArrowType(Qt::RightArrow);
    m_toggle->setToolTip(QStringLiteral("Chi ha creato e cambiato l'appuntamento, da quale computer e quando"));
    column->addWidget(m_toggle);
    m_lines = new QLabel(this);
    m_lines->setObjectName(QStringLiteral("historyLines"));
    m_lines->setWordWrap(true);
    m_lines->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_lines->setFont(PanelStyle::callout());
    m_lines->hide();
    column->addWidget(m_lines);
    connect(m_toggle, &QToolButton::toggled, this, [this](bool open) {
        m_toggle->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
        m_lines->setVisible(open);
        if (open) {
            reload();
            // Once laid out, the lines are scrolled into view: the section sits at the end of the sheet.
            QTimer::singleShot(0, this, [this] {
                for (QWidget* w = parentWidget(); w; w = w->parentWidget())
                    if (auto* scroll = qobject_cast<QScrollArea*>(w)) {
                        scroll->ensureWidgetVisible(m_lines);
                        break;
                    }
            });
        }
    });
    connect(&m_store, &Store::changed, this, [this] {
        if (m_toggle->isChecked())
            reload();
    });
}

QStringList HistorySection::lines() const
{
    return m_lines->isVisible() || m_toggle->isChecked() ? m_lines->text().split(u'\n', Qt::SkipEmptyParts)
                                                         : QStringList();
}

void HistorySection::reload()
{
    const std::optional<QList<ActivityEntry>> entries = m_store.appointmentHistory(m_id);
    if (!entries) {
        m_lines->setText(Store::unansweredText());
        return;
    }
    QStringList out;
    for (const ActivityEntry& e : *entries)
        out << ActivityText::historyLine(e, m_store);
    m_lines->setText(out.isEmpty() ? QStringLiteral("Nessuna voce nel registro.") : out.join(u'\n'));
}
