// The activity log where the receptionist reads it: the editor's "Storia" and the "Registro attività"
// window, driven through their widgets on an agenda whose log is written as the program writes it.
#include "ActivityLogWindow.h"
#include "AppointmentEditor.h"
#include "CsvRows.h"
#include "Database.h"
#include "Dialogs.h"
#include "HistorySection.h"
#include "RefusalLines.h"
#include "Scalar.h"
#include "SqliteArchive.h"
#include "Store.h"
#include "TestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

class ActivityWindowTest : public ::testing::Test {
protected:
    Clock::Pin clock{TestSupport::at(2024, 12, 4, 10, 0)};
    Database db{":memory:"};
    SqliteArchive archive{db};
    Store store{archive};

    void SetUp() override
    {
        (void)Dialogs::takeShown();
        working("RECEPTION");
    }

    void working(const QString& computer, const QString& operatorName = {})
    {
        archive.setActor({computer, QStringLiteral("anna"), operatorName});
    }

    qint64 book(const QString& day, int start, const QString& patient)
    {
        EXPECT_EQ(store.save(Appointment{0, 1, day, start, 30, patient, {}, {}, {}}), std::nullopt);
        return TestSupport::integer(db, "SELECT MAX(id) FROM appointments");
    }

    static QStringList column(const ActivityLogWindow& window, int c)
    {
        QStringList out;
        for (int i = 0; i < window.list()->topLevelItemCount(); ++i)
            out << window.list()->topLevelItem(i)->text(c);
        return out;
    }

    static void select(ActivityLogWindow& window, int row)
    {
        window.list()->setCurrentItem(window.list()->topLevelItem(row));
    }
};

TEST_F(ActivityWindowTest, theEditorTellsTheAppointmentsStoryWhenItsHistoryIsOpened)
{
    const qint64 id = book("2024-12-04", 540, "Anna Verdi");
    working("RECEPTION", "Giulia");
    ASSERT_TRUE(store.move(id, QDate(2024, 12, 5), 2, 600));
    ASSERT_FALSE(store.setStatus(id, AppointmentStatus::Arrived));

    store.setEditing(*store.storedAppointment(id));
    AppointmentEditor editor(store, *store.editing(), nullptr);
    editor.show();
    HistorySection* history = editor.history();
    ASSERT_NE(history, nullptr);
    EXPECT_TRUE(history->lines().isEmpty()) << "folded until asked";
    QTest::mouseClick(history->toggle(), Qt::LeftButton);
    EXPECT_EQ(history->lines(), (QStringList{
                                    "4 dic, 10:00 · RECEPTION (anna): creato: mer 4 dic 09:00, Dentista 1",
                                    "4 dic, 10:00 · Giulia su RECEPTION (anna): spostato da mer 4 dic 09:00 a gio 5 "
                                    "dic 10:00, da Dentista 1 a Dentista 2",
                                    "4 dic, 10:00 · Giulia su RECEPTION (anna): stato: Arrivato",
                                }));
    // A change made while it is open shows at once.
    ASSERT_FALSE(store.cancel(*store.storedAppointment(id), CancelledBy::Patient, "Influenza"));
    EXPECT_EQ(history->lines().last(), "4 dic, 10:00 · Giulia su RECEPTION (anna): disdetto dal paziente (Influenza)");
    store.setEditing(std::nullopt);

    store.newAppointment(QDate(2024, 12, 4), 1, 600);
    AppointmentEditor fresh(store, *store.editing(), nullptr);
    EXPECT_EQ(fresh.history(), nullptr) << "a new appointment has no history";
    store.setEditing(std::nullopt);
}

TEST_F(ActivityWindowTest, theWindowPagesNewestFirstFiltersAndExportsWhatItSelects)
{
    book("2024-12-04", 540, "Anna Verdi");
    book("2024-12-04", 600, "Marco Gialli");
    const qint64 luca = book("2024-12-04", 660, "Luca Verdini");
    working("STUDIO2");
    ASSERT_TRUE(store.move(luca, QDate(2024, 12, 5), 1, 720));
    book("2024-12-05", 540, "Paola Rosa");

    ActivityLogWindow window(store, nullptr, 3);
    window.show();
    EXPECT_EQ(column(window, 4), (QStringList{"Paola Rosa: creato: gio 5 dic 09:00, Dentista 1",
                                              "Luca Verdini: spostato da mer 4 dic 11:00 a gio 5 dic 12:00",
                                              "Luca Verdini: creato: mer 4 dic 11:00, Dentista 1"}));
    EXPECT_EQ(column(window, 1).first(), "STUDIO2 (anna)");
    EXPECT_EQ(column(window, 3).first(), "Prenotazione");
    ASSERT_TRUE(window.moreButton()->isEnabled());
    QTest::mouseClick(window.moreButton(), Qt::LeftButton);
    EXPECT_EQ(window.shown().size(), 5);
    EXPECT_EQ(column(window, 4).last(), "Anna Verdi: creato: mer 4 dic 09:00, Dentista 1");
    EXPECT_FALSE(window.moreButton()->isEnabled()) << "the log has no more";

    QTest::keyClicks(window.patientFilter(), "verdi");
    // The entries that name the patient: the two bookings (the move names no one).
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.shown().size() == 2; }));
    EXPECT_EQ(column(window, 4).last(), "Anna Verdi: creato: mer 4 dic 09:00, Dentista 1");
    window.patientFilter()->clear();
    window.computerFilter()->setText("STUDIO2");
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.shown().size() == 2; })); // the move and Paola Rosa
    window.computerFilter()->clear();
    window.actionFilter()->setCurrentIndex(window.actionFilter()->findText("Spostamento"));
    EXPECT_EQ(column(window, 4), QStringList{"Luca Verdini: spostato da mer 4 dic 11:00 a gio 5 dic 12:00"});
    window.actionFilter()->setCurrentIndex(0);
    window.dayPicker()->setDate(QDate(2024, 12, 3));
    window.dayFilter()->setChecked(true);
    EXPECT_TRUE(window.shown().isEmpty()) << "nothing was done the day before";
    window.dayPicker()->setDate(QDate(2024, 12, 4));
    EXPECT_EQ(window.shown().size(), 3) << "a page, of the day's five";

    // The export takes every page the filters select, not only the one on show.
    QTemporaryDir dir;
    Dialogs::answerNextPath(dir.filePath("registro"));
    QTest::mouseClick(window.exportButton(), Qt::LeftButton);
    QFile file(dir.filePath("registro.csv"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    const QList<QStringList> rows = CsvRows::parse(bytes);
    ASSERT_EQ(rows.size(), 6);
    EXPECT_EQ(rows[0], (QStringList{"N.", "Quando", "Computer", "Operatore", "Azione", "Cosa"}));
    EXPECT_EQ(rows[1][0], "5");
    EXPECT_EQ(rows[5][5], "Anna Verdi: creato: mer 4 dic 09:00, Dentista 1");
    EXPECT_EQ(window.message(), "Esportate 5 voci in registro.csv.");
    window.reload();
    EXPECT_EQ(column(window, 3).first(), "Esportazione") << "the export is recorded";

    // The window follows what is done meanwhile, the entry chosen kept.
    select(window, 1);
    ASSERT_FALSE(store.setStatus(luca, AppointmentStatus::Confirmed));
    EXPECT_TRUE(QTest::qWaitFor([&] { return column(window, 3).first() == "Cambio di stato"; }));
    EXPECT_EQ(window.list()->currentIndex().row(), 2);
}

TEST_F(ActivityWindowTest, aDeletedAppointmentIsRestoredFromItsEntryOrRefusedWithTheFreeStarts)
{
    const qint64 anna = book("2024-12-05", 600, "Anna Verdi");
    store.deleteAppointment(*store.storedAppointment(anna));
    book("2024-12-05", 600, "Marco Gialli");

    ActivityLogWindow window(store, nullptr);
    window.show();
    select(window, 2);
    EXPECT_FALSE(window.restoreButton()->isEnabled()) << "a booking took nothing away";
    select(window, 1);
    ASSERT_EQ(column(window, 3)[1], "Eliminazione");
    ASSERT_TRUE(window.restoreButton()->isEnabled());
    QTest::mouseClick(window.restoreButton(), Qt::LeftButton);
    ASSERT_TRUE(window.refusal()->error());
    EXPECT_TRUE(window.refusal()->error()->contains("Marco Gialli"));
    EXPECT_FALSE(store.storedAppointment(anna));

    auto* later = window.refusal()->findChild<QPushButton*>("alternative1");
    ASSERT_NE(later, nullptr);
    QTest::mouseClick(later, Qt::LeftButton);
    EXPECT_FALSE(window.refusal()->error());
    EXPECT_EQ(window.message(), "Appuntamento di Anna Verdi ripristinato.");
    const std::optional<Appointment> back = store.storedAppointment(anna);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->startMinutes, 630) << "the later free start, 10:30";
    EXPECT_EQ(column(window, 3).first(), "Ripristino");
}

} // namespace

TEST_F(ActivityWindowTest, aRecallsStoryReadsAsTheReceptionistDidIt)
{
    const qint64 visit = book("2024-12-04", 540, "Anna Verdi");
    Recall r;
    r.patient = "Anna Verdi";
    r.kind = "Igiene";
    r.due = QDate(2027, 6, 9);
    r.months = 6;
    r.lastVisit = QDate(2024, 12, 4);
    std::optional<Recall> stored;
    const auto change = [&](const Recall& next) {
        ASSERT_TRUE(archive.replaceRecall(visit, stored, next, &stored));
    };
    change(r);
    r.attempts = 2;
    change(r);
    r.pausedUntil = QDate(2027, 6, 20);
    change(r);
    r.doNotCall = true;
    change(r);

    ActivityLogWindow window(store, nullptr, 4);
    EXPECT_EQ(column(window, 4), (QStringList{"Non richiamare", "Richiamo rimandato al 20/6/2027",
                                              "Richiamo: non risponde (2° tentativo)",
                                              "Anna Verdi: Richiamo Igiene per il 9/6/2027"}));
}
