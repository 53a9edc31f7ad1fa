#include "AboutPanel.h"
#include "AppointmentEditor.h"
#include "CalvoraCommands.h"
#include "PanelFixture.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

#include <memory>

namespace {

struct PrintCall {
    PrintLayout layout;
    bool duplex;
    bool operator==(const PrintCall&) const = default;
};

class CommandsTest : public PanelTest {
protected:
    QMainWindow window;
    QList<PrintCall> printed;
    int settingsOpened = 0;
    CalvoraCommands* commands = nullptr;

    void SetUp() override
    {
        PanelTest::SetUp();
        commands = new CalvoraCommands(
            store, window.menuBar(), &window,
            [this](PrintLayout layout, bool duplex) {
                printed.append({layout, duplex});
            },
            [this] { ++settingsOpened; });
        window.setCentralWidget(new QLineEdit);
        window.resize(800, 600);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    QStringList titles(const QString& menuTitle)
    {
        for (QAction* top : window.menuBar()->actions()) {
            if (top->text() != menuTitle)
                continue;
            QStringList result;
            for (QAction* item : top->menu()->actions())
                result.append(item->isSeparator() ? QStringLiteral("—") : item->text());
            return result;
        }
        return {};
    }

    void press(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier)
    {
        QTest::keyClick(target, key, modifiers);
        QCoreApplication::processEvents();
    }
};

TEST_F(CommandsTest, MenusCarryTheTitlesAndShortcutsAndSteppingFollowsTheMode)
{
    QStringList top;
    for (QAction* a : window.menuBar()->actions())
        top.append(a->text());
    EXPECT_EQ(top.mid(0, 3), QStringList({"File", "Vai", "Aiuto"}));
    EXPECT_EQ(
        titles("File").mid(0, 7),
        QStringList({"Nuovo appuntamento", QString::fromUtf8("—"),
                     QString::fromUtf8("Stampa settimana (1 pagina)…"),
                     QString::fromUtf8("Stampa settimana fronte/retro…"), QString::fromUtf8("Stampa giorno…"),
                     QString::fromUtf8("—"), QString::fromUtf8("Impostazioni…")}));
    EXPECT_EQ(titles("Vai"), QStringList({"Oggi", "Settimana precedente", "Settimana successiva",
                                          QString::fromUtf8("—"), "Vista giorno", "Vista settimana"}));
    EXPECT_EQ(titles("Aiuto"), QStringList({"Guida di Calvora", "Informazioni su Calvora"}));
    EXPECT_EQ(commands->aboutAction()->menuRole(), QAction::AboutRole);
    EXPECT_EQ(commands->settingsAction()->menuRole(), QAction::PreferencesRole);
    EXPECT_EQ(commands->settingsAction()->shortcut(), QKeySequence(QKeySequence::Preferences));
    EXPECT_EQ(commands->printDuplexAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    EXPECT_EQ(commands->guideAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Question));

    press(&window, Qt::Key_1);
    EXPECT_EQ(store.mode(), ViewMode::Day);
    EXPECT_EQ(titles("Vai").mid(1, 2), QStringList({"Giorno precedente", "Giorno successivo"}));
    press(&window, Qt::Key_Right);
    EXPECT_EQ(store.anchor(), QDate(2024, 12, 5));
    press(&window, Qt::Key_2);
    EXPECT_EQ(store.mode(), ViewMode::Week);
    press(&window, Qt::Key_Right);
    EXPECT_EQ(store.anchor(), QDate(2024, 12, 12));
    press(&window, Qt::Key_Left);
    EXPECT_EQ(store.anchor(), QDate(2024, 12, 5));

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
    editor.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
    EXPECT_FALSE(commands->newAppointmentAction()->isEnabled());
    EXPECT_FALSE(commands->previousAction()->isEnabled());
    EXPECT_FALSE(commands->nextAction()->isEnabled());

    press(&editor, Qt::Key_N);
    press(&editor, Qt::Key_Right);
    press(&editor, Qt::Key_Left);
    EXPECT_EQ(store.editing(), draft);
    EXPECT_EQ(store.anchor(), QDate(2024, 11, 20));

    press(&editor, Qt::Key_T);
    EXPECT_EQ(store.anchor(), QDate(2024, 12, 9));
    press(&editor, Qt::Key_1);
    EXPECT_EQ(store.mode(), ViewMode::Day);
    press(&editor, Qt::Key_2);
    EXPECT_EQ(store.mode(), ViewMode::Week);
    press(&editor, Qt::Key_P);
    press(&editor, Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(printed,
              QList<PrintCall>({{PrintLayout::WeekOnePage, false}, {PrintLayout::WeekTwoPages, true}}));
    commands->printDayAction()->trigger();
    EXPECT_EQ(printed.last(), (PrintCall{PrintLayout::Day, false}));
    EXPECT_TRUE(editor.isVisible());

    store.setEditing(std::nullopt);
    EXPECT_TRUE(commands->newAppointmentAction()->isEnabled());
    EXPECT_TRUE(commands->nextAction()->isEnabled());
}

TEST_F(CommandsTest, TheGuideOpensOnlyWhenItIsThereAndAboutShowsTheCredits)
{
    const QString guide = userGuidePath();
    ASSERT_FALSE(QFile::exists(guide));
    commands->guideAction()->trigger();
    EXPECT_TRUE(opened.isEmpty());

    TestSupport::writeFile(guide, "%PDF-1.4\n");
    commands->guideAction()->trigger();
    QFile::remove(guide);
    EXPECT_EQ(opened, QStringList{guide});

    const QString version = QCoreApplication::applicationVersion();
    QCoreApplication::setApplicationVersion("9.8.7");
    Dialogs::answerNext(0);
    commands->aboutAction()->trigger();
    QCoreApplication::setApplicationVersion(version);
    const QList<DialogRequest> shown = Dialogs::takeShown();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0].title, "Calvora");
    EXPECT_TRUE(shown[0].message.contains(
        "<p align=\"center\" style=\"font-size: 11pt;\">Agenda appuntamenti per studi dentistici</p>"));
    EXPECT_TRUE(shown[0].message.startsWith("Versione 9.8.7"));
}

} // namespace
