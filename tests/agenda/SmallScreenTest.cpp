// The agenda on a practice laptop: the window opens inside the screen's free area and no toolbar command
// is ever out of reach.
#include "AccessibilityAudit.h"
#include "AgendaFixture.h"

#include <QToolBar>
#include <QToolButton>

namespace {

// The toolbar's commands that a click reaches now: their buttons are shown, wholly inside the bar and
// inside the window.
QStringList reachableCommands(CalvoraView& view)
{
    QStringList reachable;
    auto* bar = view.findChild<QToolBar*>();
    for (QAction* action : bar->actions()) {
        QWidget* button = bar->widgetForAction(action);
        const QRect inWindow(button->mapTo(&view, QPoint()), button->size());
        if (qobject_cast<QToolButton*>(button) && button->isVisible() && bar->rect().contains(button->geometry())
            && view.rect().contains(inWindow))
            reachable.append(action->iconText());
    }
    return reachable;
}

} // namespace

class SmallScreenTest : public AgendaTest {};

TEST_F(SmallScreenTest, windowOpensInsideTheScreensFreeAreaAtMostAtItsPreferredSize)
{
    const struct {
        QRect available;
        QSize size;
    } screens[] = {
        {QRect(0, 0, 1920, 1050), QSize(1440, 900)},
        {QRect(0, 27, 1366, 741), QSize(1366, 0)}, // a desktop panel at the top
        {QRect(0, 0, 1280, 720), QSize(1280, 0)},
    };
    for (const auto& screen : screens) {
        CalvoraView window(store, AgendaPanels{});
        window.fitInto(screen.available);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        const QRect frame = window.frameGeometry();
        EXPECT_TRUE(screen.available.contains(frame)) << frame.x() << ',' << frame.y() << ' ' << frame.width() << 'x'
                                                      << frame.height() << " on " << screen.available.width();
        // As large as preferred, else as the area allows (the frame aside).
        if (screen.size.height() > 0)
            EXPECT_EQ(window.size(), screen.size);
        else
            EXPECT_GT(frame.width(), screen.size.width() - 10);
        EXPECT_GT(frame.height(), std::min(900, screen.available.height() - 60));
    }
}

TEST_F(SmallScreenTest, everyToolbarCommandIsInTheBarOrBehindTheOverflowButton)
{
    const QStringList all{"Precedente", "Oggi",  "Successivo", "Vai alla data", "Cerca", "Primo posto libero",
                          "Da confermare", "Stampa", "Nuovo appuntamento"};
    view->fitInto(QRect(0, 0, 1280, 720));
    QApplication::processEvents();
    ASSERT_EQ(view->frameGeometry().width(), 1280);
    EXPECT_EQ(reachableCommands(*view), all);
    EXPECT_FALSE(view->overflowButton()->isVisible());

    // Narrower than the commands need (larger system fonts do the same): the last ones go behind the
    // overflow button, which is named, and a click on it brings them into view.
    view->setMinimumSize(0, 0);
    view->resize(760, 650);
    QApplication::processEvents();
    const QStringList before = reachableCommands(*view);
    EXPECT_FALSE(before.contains("Nuovo appuntamento"));
    ASSERT_TRUE(view->overflowButton()->isVisible());
    EXPECT_EQ(TestSupport::namelessFocusableElements(view.get()), QStringList());
    EXPECT_EQ(QAccessible::queryAccessibleInterface(view->overflowButton())->text(QAccessible::Name),
              QStringLiteral("Altri comandi"));
    QTest::mouseClick(view->overflowButton(), Qt::LeftButton);
    QTRY_COMPARE(reachableCommands(*view).size(), all.size());
}
