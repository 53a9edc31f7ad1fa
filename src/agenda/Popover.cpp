#include "Popover.h"

#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>

Popover::Popover(QWidget* parent)
    : QFrame(parent, Qt::Popup)
{
    setAttribute(Qt::WA_NoMouseReplay);
    setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // The popup follows its content both ways: a search panel whose list goes away shrinks it again.
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void Popover::setContent(QWidget* content)
{
    discardContent();
    m_content = content;
    if (content)
        layout()->addWidget(content);
}

void Popover::discardContent()
{
    QWidget* old = m_content;
    m_content = nullptr;
    if (!old)
        return;
    layout()->removeWidget(old);
    old->hide();
    old->deleteLater();
}

void placeUnder(QWidget* popup, QWidget* anchor)
{
    popup->adjustSize();
    const QPoint bottom = anchor->mapToGlobal(QPoint(anchor->width() / 2, anchor->height()));
    QPoint topLeft(bottom.x() - popup->width() / 2, bottom.y());
    if (const QScreen* screen = anchor->screen()) {
        const QRect available = screen->availableGeometry();
        topLeft.setX(std::clamp(topLeft.x(), available.left(), std::max(available.left(), available.right() - popup->width())));
    }
    popup->move(topLeft);
}

void Popover::showUnder(QWidget* anchor)
{
    placeUnder(this, anchor);
    show();
    if (m_content)
        focusContent();
}

// The keys go to the field or view that the content would focus itself (a search field, a calendar), not
// to the content's frame, which takes no keys.
void Popover::focusContent()
{
    QWidget* target = m_content->focusWidget();
    for (QWidget* w = m_content->nextInFocusChain(); !target && w != m_content; w = w->nextInFocusChain())
        if (m_content->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(m_content))
            target = w;
    (target ? target : m_content.data())->setFocus(Qt::PopupFocusReason);
}

void Popover::hideEvent(QHideEvent* event)
{
    QFrame::hideEvent(event);
    if (m_discardsOnClose)
        discardContent();
    emit closed();
}

void Popover::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QFrame::keyPressEvent(event);
}
