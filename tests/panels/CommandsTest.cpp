#include "AboutPanel.h"
#include "AppointmentEditor.h"
#include "CalvoraCommands.h"
#include "PanelFixture.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>

namespace {

using PrintCall = std::pair<PrintLayout, bool>; // layout, duplex

class CommandsTest : public PanelTest {
protected:
    QMainWindow window;
    QList<PrintCall> printed;
    int settingsOpened = 0;
    CalvoraCommands* commands = nullptr;

    void SetUp() override
    {
        PanelTest::SetUp();
        CommandHooks hooks;
        hooks.print = [this](PrintLayout layout, bool duplex) { printed.append({layout, duplex}); };
        hooks.openSettings = [this] { ++settingsOpened; };
        commands = new CalvoraCommands(store, &window, hooks);
        commands->buildMenus(window.menuBar());
        window.setCentralWidget(new QLineEdit);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    void press(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier)
    {
        QTest::keyClick(target, key, modifiers);
        QCoreApplication::processEvents();
    }
};

TEST_F(CommandsTest, ShortcutsSwitchTheModeStepByItAndStartANewAppointment)
{
    EXPECT_EQ(commands->nextAction()->text(), "Settimana successiva");
    press(&window, Qt::Key_1);
    EXPECT_EQ(store.mode(), ViewMode::Day);
    EXPECT_EQ(commands->previousAction()->text(), "Giorno precedente");
    EXPECT_EQ(commands->nextAction()->text(), "Giorno successivo");
    press(&window, Qt::Key_Right);
    EXPECT_EQ(store.anchor(), QDate(2024, 12, 5));
    press(&window, Qt::Key_2);
    EXPECT_EQ(store.mode(), ViewMode::Week);
    press(&window, Qt::Key_Right);
    EXPECT_EQ(store.anchor(), QDate(2024, 12, 12));
    press(&window, Qt::Key_Left);
    EXPECT_EQ(store.anchor(), QDate(2024, 12, 5));

    // Ctrl+, also where the platform has no preferences key.
    EXPECT_EQ(commands->settingsAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
    commands->settingsAction()->trigger();
    EXPECT_EQ(settingsOpened, 1);
    press(&window, Qt::Key_N);
    ASSERT_TRUE(store.editing().has_value());
    EXPECT_EQ(store.editing()->id, 0);
}

TEST_F(CommandsTest, WithTheEditorOpenOnlyNewAndSteppingAreDisabled)
{
    // "Oggi" on a Saturday shows the following Monday.
    clock.set(TestSupport::at(2024, 12, 7, 9, 0));
    store.setAnchor(QDate(2024, 11, 20));
    const Appointment draft{0, 1, "2024-11-20", 600, 30, "Anna Verdi", {}, {}, {}};
    store.setEditing(draft);
    AppointmentEditor editor(store, draft, &window);
    expose(&editor);
    EXPECT_FALSE(commands->newAppointmentAction()->isEnabled());
    EXPECT_FALSE(commands->previousAction()->isEnabled());
    EXPECT_FALSE(commands->nextAction()->isEnabled());

    for (const Qt::Key key : {Qt::Key_N, Qt::Key_Right, Qt::Key_Left})
        press(&editor, key);
    EXPECT_EQ(store.editing(), draft);
    EXPECT_EQ(store.anchor(), QDate(2024, 11, 20));

    press(&editor, Qt::Key_T);
    EXPECT_EQ(store.anchor(), QDate(2024, 12, 9));
    press(&editor, Qt::Key_1);
    EXPECT_EQ(store.mode(), ViewMode::Day);
    press(&editor, Qt::Key_P);
    press(&editor, Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    commands->printDayAction()->trigger();
    EXPECT_EQ(printed, QList<PrintCall>({{PrintLayout::WeekOnePage, false},
                                         {PrintLayout::WeekTwoPages, true},
                                         {PrintLayout::Day, false}}));
    EXPECT_TRUE(editor.isVisible());

    store.setEditing(std::nullopt);
    EXPECT_TRUE(commands->newAppointmentAction()->isEnabled());
    EXPECT_TRUE(commands->nextAction()->isEnabled());
}

TEST_F(CommandsTest, UndoAndRedoNameWhatTheyDoAndFollowTheShortcuts)
{
    EXPECT_FALSE(commands->undoAction()->isEnabled());
    const Appointment anna = book(1, "2024-12-04", 600, 30, "Anna Verdi");
    ASSERT_TRUE(store.move(anna.id, QDate(2024, 12, 5), 2, 660));
    EXPECT_EQ(commands->undoAction()->text(), "Annulla spostamento di Anna Verdi");
    press(&window, Qt::Key_Z);
    EXPECT_EQ(count("day = '2024-12-04' AND start_min = 600"), 1);
    EXPECT_EQ(commands->redoAction()->text(), "Ripeti spostamento di Anna Verdi");
    EXPECT_FALSE(commands->undoAction()->isEnabled());
    press(&window, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(count("day = '2024-12-05' AND start_min = 660"), 1);

    // Not while an appointment is open in the editor.
    store.setEditing(anna);
    EXPECT_FALSE(commands->undoAction()->isEnabled());
    store.setEditing(std::nullopt);
    EXPECT_TRUE(commands->undoAction()->isEnabled());
    EXPECT_EQ(commands->undoAction()->toolTip(), commands->undoAction()->text()); // no shortcut written twice
}

TEST_F(CommandsTest, TheGuideOpensOnlyWhenItIsThere)
{
    const QString guide = userGuidePath();
    ASSERT_FALSE(QFile::exists(guide));
    commands->guideAction()->trigger();
    EXPECT_TRUE(opened.isEmpty());
    TestSupport::writeFile(guide, "%PDF-1.4\n");
    commands->guideAction()->trigger();
    QFile::remove(guide);
    EXPECT_EQ(opened, QStringList{guide});
}

} // namespace
