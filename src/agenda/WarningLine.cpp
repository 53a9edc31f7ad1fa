#include "WarningLine.h"

#include "AgendaStyle.h"
#include "PanelStyle.h"

#include <QHBoxLayout>
#include <QLabel>

WarningLine::WarningLine(const QString& objectName, const QString& accessibleName, QWidget* parent)
    : QFrame(parent)
    , m_text(new QLabel(this))
{
    setObjectName(objectName);
    setAccessibleName(accessibleName);
    AgendaStyle::tintLine(this);
    auto* icon = new QLabel(this);
    icon->setPixmap(PanelStyle::warningTrianglePixmap(16, devicePixelRatioF()));
    m_text->setWordWrap(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(16, 6, 16, 6);
    layout->addWidget(icon);
    layout->addWidget(m_text, 1);
    hide();
}

void WarningLine::say(const std::optional<QString>& message)
{
    m_text->setText(message.value_or(QString()));
    setVisible(message.has_value());
}

QString WarningLine::text() const
{
    return isHidden() ? QString() : m_text->text();
}
