// The toolbar's operator switch: absent until the practice names operators, then changed in two keys.
#include "AgendaFixture.h"
#include "CalvoraCommands.h"
#include "Keyboard.h"
#include "OperatorMenu.h"

#include <QAction>
#include <QMenu>
#include <QToolButton>

class OperatorSwitchTest : public AgendaTest {
protected:
    [[nodiscard]] QMenu* menu() const { return view->commands()->operatorMenu()->menu(); }
    void pressShortcut() { Keyboard::press(view.get(), Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier); }
};

TEST_F(OperatorSwitchTest, withoutOperatorsNothingShowsAndTheShortcutDoesNothing)
{
    EXPECT_FALSE(view->operatorButton()->isVisible());
    pressShortcut();
    QApplication::processEvents();
    EXPECT_FALSE(menu()->isVisible());
    EXPECT_EQ(store.currentOperator(), "");
}

TEST_F(OperatorSwitchTest, theShortcutAndADigitChooseAndARemovedOperatorLeavesNobody)
{
    ASSERT_FALSE(store.setOperators({"Anna", "Bruno"}));
    QToolButton* button = view->operatorButton();
    EXPECT_TRUE(TestSupport::eventually([&] { return button->isVisible(); }));
    EXPECT_EQ(button->text(), "Operatore: —");
    EXPECT_TRUE(button->toolTip().contains(OperatorMenu::shortcut().toString(QKeySequence::NativeText)));

    pressShortcut();
    ASSERT_TRUE(TestSupport::eventually([&] { return menu()->isVisible(); }));
    Keyboard::press(view.get(), Qt::Key_2);
    ASSERT_TRUE(TestSupport::eventually([&] { return !menu()->isVisible(); }));
    EXPECT_EQ(store.currentOperator(), "Bruno");
    EXPECT_EQ(button->text(), "Operatore: Bruno");

    pressShortcut();
    ASSERT_TRUE(TestSupport::eventually([&] { return menu()->isVisible(); }));
    Keyboard::press(view.get(), Qt::Key_1);
    ASSERT_TRUE(TestSupport::eventually([&] { return !menu()->isVisible(); }));
    EXPECT_EQ(button->text(), "Operatore: Anna");

    // Taken off the list (here or on another computer): nobody, without a question.
    ASSERT_FALSE(store.setOperators({"Bruno"}));
    EXPECT_EQ(button->text(), "Operatore: —");
    EXPECT_EQ(store.currentOperator(), "");
    EXPECT_TRUE(Dialogs::takeShown().isEmpty());

    pressShortcut();
    ASSERT_TRUE(TestSupport::eventually([&] { return menu()->isVisible(); }));
    Keyboard::press(view.get(), Qt::Key_1);
    ASSERT_TRUE(TestSupport::eventually([&] { return !menu()->isVisible(); }));
    EXPECT_EQ(store.currentOperator(), "Bruno");
    pressShortcut();
    ASSERT_TRUE(TestSupport::eventually([&] { return menu()->isVisible(); }));
    Keyboard::press(view.get(), Qt::Key_0);
    ASSERT_TRUE(TestSupport::eventually([&] { return !menu()->isVisible(); }));
    EXPECT_EQ(button->text(), "Operatore: —");

    ASSERT_FALSE(store.setOperators({}));
    EXPECT_TRUE(TestSupport::eventually([&] { return !button->isVisible(); }));
}
