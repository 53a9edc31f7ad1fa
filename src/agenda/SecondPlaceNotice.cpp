#include "SecondPlaceNotice.h"

#include "AgendaStyle.h"
#include "PanelStyle.h"
#include "SecondPlace.h"

#include <QHBoxLayout>
#include <QLabel>

SecondPlaceNotice::SecondPlaceNotice(SecondPlace* place, QWidget* parent)
    : QFrame(parent)
    , m_place(place)
    , m_text(new QLabel(this))
{
    setObjectName(QStringLiteral("secondPlaceNotice"));
    setAccessibleName(QStringLiteral("Copie dei backup"));
    AgendaStyle::tintLine(this);
    auto* icon = new QLabel(this);
    icon->setPixmap(PanelStyle::warningTrianglePixmap(16, devicePixelRatioF()));
    m_text->setWordWrap(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(16, 6, 16, 6);
    layout->addWidget(icon);
    layout->addWidget(m_text, 1);
    if (m_place)
        connect(m_place, &SecondPlace::changed, this, &SecondPlaceNotice::sync);
    sync();
}

QString SecondPlaceNotice::text() const
{
    return isHidden() ? QString() : m_text->text();
}

void SecondPlaceNotice::sync()
{
    const std::optional<QString> notice = m_place ? m_place->notice() : std::nullopt;
    m_text->setText(notice.value_or(QString()));
    setVisible(notice.has_value());
}
