#include "CalendarFolderNotice.h"

#include "AgendaStyle.h"
#include "PanelStyle.h"
#include "Store.h"

#include <QHBoxLayout>
#include <QLabel>

CalendarFolderNotice::CalendarFolderNotice(const Store& store, QWidget* parent)
    : QFrame(parent)
    , m_store(store)
    , m_text(new QLabel(this))
{
    setObjectName(QStringLiteral("calendarFolderNotice"));
    setAccessibleName(QStringLiteral("Calendari dei dentisti"));
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

QString CalendarFolderNotice::text() const
{
    return m_text->text();
}

void CalendarFolderNotice::sync()
{
    const std::optional<QString>& failure = m_store.calendarFolderFailure();
    m_text->setText(failure.value_or(QString()));
    setVisible(failure.has_value());
}
