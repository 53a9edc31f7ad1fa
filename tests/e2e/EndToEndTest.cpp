// The whole program driven as a receptionist would: real windows on the offscreen platform, real
// mouse and keyboard events, the real database file of a scratch data folder.
#include "AppPaths.h"
#include "CalvoraApp.h"
#include "CalvoraView.h"
#include "Database.h"
#include "DentistColumn.h"
#include "Keyboard.h"
#include "Popover.h"
#include "ProgramTest.h"
#include "PrintService.h"
#include "ScheduleGrid.h"
#include "Store.h"
#include "TestSupport.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using EndToEnd = ProgramTest;

struct Row {
    qint64 dentist;
    QString day;
    int start;
    int duration;
    QString patient;
    bool operator==(const Row&) const = default;
};

void PrintTo(const Row& r, std::ostream* os)
{
    *os << r.dentist << ' ' << r.day.toStdString() << ' ' << r.start << '+' << r.duration << ' '
        << r.patient.toStdString();
}

QList<Row> rows(const QString& databasePath)
{
    Database db(databasePath);
    return db.query("SELECT dentist_id, day, start_min, duration_min, patient FROM appointments ORDER BY id", {},
                    [](const SQLRow& r) {
                        return Row{r.integer(0), r.text(1), int(r.integer(2)), int(r.integer(3)), r.text(4)};
                    });
}

QPoint slotCentre(DentistColumn* column, int slot)
{
    const double h = column->geometryRules().rowHeight();
    return QPoint(column->width() / 2, int(slot * h + h / 2));
}

QAction* menuItem(QMenuBar* bar, const QString& title)
{
    for (QAction* menu : bar->actions())
        if (menu->menu())
            for (QAction* item : menu->menu()->actions())
                if (item->text() == title)
                    return item;
    return nullptr;
}

} // namespace

TEST_F(EndToEnd, bookPrintAndDeleteAWeek)
{
    CalvoraView& window = agenda();
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("Dati/Backup/calvora-2024-12-04.sqlite")));

    // Click Tuesday's free 12:00 slot of the second dentist: the editor opens on a new appointment.
    DentistColumn* tuesday = window.grid()->column(1, 1);
    QTest::mouseClick(tuesday, Qt::LeftButton, {}, slotCentre(tuesday, 12));
    ASSERT_TRUE(TestSupport::eventually([&] { return window.editor() && window.editor()->isVisible(); }));
    auto* patient = window.editor()->findChild<QLineEdit*>("patientField");
    ASSERT_TRUE(patient);
    EXPECT_TRUE(TestSupport::eventually([&] { return patient->hasFocus(); }));
    QTest::keyClicks(patient, "Mario Rossi");
    QTest::keyClick(patient, Qt::Key_Return);
    EXPECT_TRUE(TestSupport::eventually([&] { return !window.editor(); }));
    ASSERT_EQ(tuesday->blocks().size(), 1u);
    EXPECT_EQ(tuesday->blocks()[0].appointment().patient, "Mario Rossi");
    EXPECT_EQ(rows(databasePath()), (QList<Row>{{2, "2024-12-03", 720, 30, "Mario Rossi"}}));
    EXPECT_EQ(window.countLabel()->text(), "1 appuntamento");

    // Print the week on one page (to a PDF instead of a printer).
    const QString pdf = dir.filePath("settimana.pdf");
    PrintService::answerNextPrintToPdf(pdf);
    QAction* printWeek = menuItem(window.menuBar(), QStringLiteral("Stampa settimana (1 pagina)…"));
    ASSERT_TRUE(printWeek);
    printWeek->trigger();
    const QList<PrintService::StartedJob> jobs = PrintService::takeStartedJobs();
    ASSERT_EQ(jobs.size(), 1);
    EXPECT_EQ(jobs[0].title, QStringLiteral("Appuntamenti – Settimana 2 – 6 dicembre 2024"));
    EXPECT_EQ(jobs[0].pageCount, 1);
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(5), "%PDF-");

    // Delete it through its context menu and the confirmation.
    const QPoint onBlock = tuesday->blocks()[0].rect().center().toPoint();
    QContextMenuEvent request(QContextMenuEvent::Mouse, onBlock, tuesday->mapToGlobal(onBlock));
    QApplication::sendEvent(tuesday, &request);
    auto* menu = tuesday->findChild<QMenu*>();
    ASSERT_TRUE(menu);
    menu->actions().last()->trigger();
    menu->close();
    QMessageBox* confirmation = nullptr;
    ASSERT_TRUE(TestSupport::eventually([&] {
        for (QMessageBox* box : window.findChildren<QMessageBox*>())
            if (box->isVisible())
                confirmation = box;
        return confirmation != nullptr;
    }));
    EXPECT_EQ(confirmation->text(), "Eliminare l'appuntamento?");
    EXPECT_EQ(rows(databasePath()).size(), 1); // asking deletes nothing
    QPushButton* confirm = nullptr;
    for (QAbstractButton* button : confirmation->buttons())
        if (button->text() == "Elimina")
            confirm = qobject_cast<QPushButton*>(button);
    ASSERT_TRUE(confirm);
    QTest::mouseClick(confirm, Qt::LeftButton);
    EXPECT_TRUE(TestSupport::eventually([&] { return rows(databasePath()).isEmpty(); }));
    EXPECT_TRUE(tuesday->blocks().empty());
    EXPECT_EQ(window.countLabel()->text(), "Nessun appuntamento");
}

// A patient on the phone asks for the first free hour with the second dentist, an afternoon from the
// 12th: found, booked and saved by keyboard alone, every key counted except the patient's name and
// telephone.
TEST_F(EndToEnd, aPhoneCallByKeyboardAlone)
{
    CalvoraView& window = agenda();
    // Dentista 2 is busy from 13:00 to 14:30 on the 12th.
    ASSERT_FALSE(shell->store().save({0, 2, "2024-12-12", 780, 90, "Anna Verdi", {}, {}, {}}));
    int keys = 0;
    const auto press = [&](Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        ++keys;
        Keyboard::press(&window, k, m);
    };
    const auto choose = [&](const QString& text) {
        keys += int(text.size());
        Keyboard::type(&window, text);
    };

    press(Qt::Key_L, Qt::ControlModifier);
    ASSERT_TRUE(TestSupport::eventually([&] { return window.freeSlotPopover()->isVisible(); }));
    choose("1h"); // Durata
    press(Qt::Key_Tab);
    choose("2"); // Dentista 2
    press(Qt::Key_Tab);
    choose("12122024"); // Dal giorno
    press(Qt::Key_Tab);
    choose("p"); // Fascia: pomeriggio
    press(Qt::Key_Return);

    ASSERT_TRUE(TestSupport::eventually([&] { return window.editor() && window.editor()->isVisible(); }));
    auto* patient = window.editor()->findChild<QLineEdit*>("patientField");
    ASSERT_TRUE(TestSupport::eventually([&] { return patient->hasFocus(); }));
    Keyboard::type(&window, "Giulia Bianchi");
    press(Qt::Key_Tab);
    Keyboard::type(&window, "347 1234567");
    press(Qt::Key_Return);
    ASSERT_TRUE(TestSupport::eventually([&] { return !window.editor(); }));

    const QList<Row> stored = rows(databasePath());
    ASSERT_EQ(stored.size(), 2);
    EXPECT_EQ(stored[1], (Row{2, "2024-12-12", 870, 60, "Giulia Bianchi"}));
    Database db(databasePath());
    EXPECT_EQ(db.query("SELECT phone FROM appointments WHERE patient = 'Giulia Bianchi'", {},
                       [](const SQLRow& r) { return r.text(0); }),
              QStringList{"347 1234567"});
    std::printf("Keys for the phone call, besides the name and the telephone: %d\n", keys);
    EXPECT_LE(keys, 20);

    // The keyboard is back in the grid, ready for the next call. (A window manager gives the window back
    // its activation when the sheet closes; the offscreen platform has none.)
    EXPECT_EQ(window.focusWidget(), window.grid());
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_TRUE(window.grid()->hasFocus());
}

// The search and the first free slot opened and closed again and again, each way they close (Escape, the
// button, a pick): each opening shows a fresh, working panel, and nothing of a closed one is touched
// again. (The soak walk does the same at random with every panel.)
TEST_F(EndToEnd, panelsOpenAndCloseAgainAndAgain)
{
    CalvoraView& window = agenda();
    ASSERT_FALSE(shell->store().save({0, 1, "2024-12-05", 600, 30, "Anna Verdi", {}, {}, {}}));
    const auto key = [&](Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) { Keyboard::press(&window, k, m); };

    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        // Search: a few letters, then Escape (or, every other round, the toolbar button again).
        key(Qt::Key_F, Qt::ControlModifier);
        ASSERT_TRUE(TestSupport::eventually([&] { return window.searchPopover()->isVisible(); }));
        auto* field = window.searchPopover()->findChild<QLineEdit*>("searchField");
        ASSERT_TRUE(field);
        EXPECT_TRUE(field->text().isEmpty()); // a fresh panel
        Keyboard::type(&window, "Ann");
        if (round % 2 == 0)
            key(Qt::Key_Escape);
        else
            window.toggleSearch();
        ASSERT_TRUE(TestSupport::eventually([&] { return !window.searchPopover()->isVisible(); }));
        QApplication::processEvents();

        // First free slot: opened, then closed by Escape or by picking a proposal (which opens the editor).
        key(Qt::Key_L, Qt::ControlModifier);
        ASSERT_TRUE(TestSupport::eventually([&] { return window.freeSlotPopover()->isVisible(); }));
        if (round % 2 == 0) {
            key(Qt::Key_Escape);
        } else {
            auto* proposals = window.freeSlotPopover()->findChild<QListWidget*>("slots");
            ASSERT_TRUE(proposals && proposals->count() > 0);
            proposals->setFocus();
            key(Qt::Key_Return);
            ASSERT_TRUE(TestSupport::eventually([&] { return window.editor() && window.editor()->isVisible(); }));
            key(Qt::Key_Escape);
            ASSERT_TRUE(TestSupport::eventually([&] { return !window.editor(); }));
        }
        ASSERT_TRUE(TestSupport::eventually([&] { return !window.freeSlotPopover()->isVisible(); }));
        // A window manager activates the window again when a popup window goes; the offscreen platform
        // does not.
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    // The panels still answer after all that.
    key(Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(TestSupport::eventually([&] { return window.searchPopover()->isVisible(); }));
    Keyboard::type(&window, "Anna");
    auto* list = window.searchPopover()->findChild<QListView*>("results");
    ASSERT_TRUE(list);
    EXPECT_TRUE(TestSupport::eventually([&] { return list->isVisible() && list->model()->rowCount() == 1; }));
    key(Qt::Key_Escape);
}
