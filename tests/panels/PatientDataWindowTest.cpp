// "Dati del paziente" driven by its widgets: opened from the search and the editor, a namesake's number
// unticked, the spreadsheet file saved from what is listed, and the erasure asked for.
#include "AppointmentEditor.h"
#include "CsvRows.h"
#include "PanelFixture.h"
#include "PatientDataWindow.h"
#include "SearchPanel.h"

#include <QAction>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>

class PatientDataWindowTest : public PanelTest {
protected:
    Appointment first;
    void SetUp() override
    {
        PanelTest::SetUp();
        first = book(1, "2024-12-05", 600, 30, "Maria Rossi", "333 111 2222", "Visita");
        const Appointment second = book(2, "2024-12-06", 540, 30, "MARIA ROSSI", "333 111 2222", "Igiene");
        book(1, "2024-12-09", 540, 30, "Maria Rossi", "347 999 8888", "Estrazione"); // a namesake
        book(1, "2024-12-09", 600, 30, "Mario Rossi", "333 111 2222");
        ASSERT_FALSE(store.cancel(second, CancelledBy::Practice, "Dentista malato"));
    }

    static void untick(QListWidget* phones, const QString& phone)
    {
        const QList<QListWidgetItem*> found = phones->findItems(phone, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << phone.toStdString();
        found[0]->setCheckState(Qt::Unchecked);
    }
};

TEST_F(PatientDataWindowTest, theSearchAndTheEditorAskForThePatientsData)
{
    SearchPanel search(store, [] {}, "Rossi", nullptr);
    QSignalSpy fromSearch(&search, &SearchPanel::patientDataRequested);
    std::unique_ptr<QMenu> menu(search.resultMenu(first));
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[0]->text(), "Dati del paziente…");
    menu->actions()[0]->trigger();
    ASSERT_EQ(fromSearch.size(), 1);
    EXPECT_EQ(fromSearch[0][0].toString(), "Maria Rossi");

    AppointmentEditor editor(store, first, nullptr);
    expose(&editor);
    QSignalSpy fromEditor(&editor, &AppointmentEditor::patientDataRequested);
    ASSERT_TRUE(editor.patientDataButton()->isVisible());
    QTest::mouseClick(editor.patientDataButton(), Qt::LeftButton);
    ASSERT_EQ(fromEditor.size(), 1);
    EXPECT_EQ(fromEditor[0][0].toString(), "Maria Rossi");

    AppointmentEditor fresh(store, Appointment{0, 1, "2024-12-11", 600, 30, {}, {}, {}, {}}, nullptr);
    expose(&fresh);
    EXPECT_FALSE(fresh.patientDataButton()->isVisible()) << "a new booking has no patient yet";
}

TEST_F(PatientDataWindowTest, thePatientsRecallIsListedWithWhatItStandsAt)
{
    db.run("INSERT INTO recalls (appointment_id, patient, phone, kind, due_day, closes_from, months, last_visit, "
           "attempts, do_not_call, consent, created_at) VALUES (?, 'maria rossi', '333 111 2222', 'Igiene', "
           "'2025-06-05', '2025-05-05', 6, '2024-12-05', 1, 1, 1, '2024-12-04 10:00:00')",
           {first.id});
    PatientDataWindow window(store, "Maria Rossi", nullptr);
    expose(&window);
    EXPECT_EQ(window.summary(), "3 appuntamenti (1 disdetto), 0 voci in lista d'attesa e 1 richiamo.");
    ASSERT_EQ(window.appointmentList()->topLevelItemCount(), 4);
    const QTreeWidgetItem* recall = window.appointmentList()->topLevelItem(3);
    EXPECT_EQ(recall->text(0), "05/06/2025");
    EXPECT_EQ(recall->text(3), "Richiamo Igiene");
    EXPECT_EQ(recall->text(5), "Non richiamare, 1 tentativo, consenso sì");
}

TEST_F(PatientDataWindowTest, aNamesakesNumberUntickedLeavesTheListAndTheFile)
{
    PatientDataWindow window(store, "maria rossi", nullptr);
    expose(&window);
    EXPECT_EQ(window.appointmentList()->topLevelItemCount(), 3);
    EXPECT_EQ(window.summary(), "3 appuntamenti (1 disdetto), 0 voci in lista d'attesa.");
    ASSERT_EQ(window.phoneList()->count(), 2);
    const QTreeWidgetItem* cancelled = window.appointmentList()->topLevelItem(1);
    EXPECT_EQ(cancelled->text(5), "Disdetto");
    ASSERT_GE(cancelled->childCount(), 2) << "the cancellation's facts and the log's lines under it";
    EXPECT_TRUE(cancelled->child(0)->text(0).startsWith("Disdetto dallo studio il 04/12/2024 alle 10:00"));

    untick(window.phoneList(), "347 999 8888");
    EXPECT_EQ(window.appointmentList()->topLevelItemCount(), 2);
    EXPECT_EQ(window.summary(), "2 appuntamenti (1 disdetto), 0 voci in lista d'attesa.");

    QTemporaryDir dir;
    const QString path = dir.filePath("scelto.csv");
    Dialogs::answerNextPath(path);
    QTest::mouseClick(window.csvButton(), Qt::LeftButton);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QStringList> rows = CsvRows::parse(file.readAll());
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[1][1], "05/12/2024");
    EXPECT_EQ(rows[2][1], "06/12/2024");
    const QList<DialogRequest> shown = Dialogs::takeShown();
    EXPECT_TRUE(shown.isEmpty()) << "no complaint after a file written";

    QSignalSpy anonymise(&window, &PatientDataWindow::anonymiseRequested);
    QTest::mouseClick(window.anonymiseButton(), Qt::LeftButton);
    ASSERT_EQ(anonymise.size(), 1);
    EXPECT_EQ(anonymise[0][0].toString(), "Maria Rossi");
    EXPECT_EQ(anonymise[0][1].toStringList(), QStringList({"333 111 2222"}));
    EXPECT_EQ(count("patient = 'Maria Rossi'"), 2) << "the window itself anonymises nothing";
}

TEST_F(PatientDataWindowTest, anUnknownNameOrAnUnwritableFileIsSaid)
{
    PatientDataWindow nobody(store, "Giulia Bianchi", nullptr);
    expose(&nobody);
    EXPECT_EQ(nobody.summary(), "Nessun appuntamento a nome «Giulia Bianchi».");
    EXPECT_FALSE(nobody.pdfButton()->isEnabled());
    EXPECT_FALSE(nobody.anonymiseButton()->isEnabled());

    PatientDataWindow window(store, "Maria Rossi", nullptr);
    expose(&window);
    QTemporaryDir dir;
    Dialogs::answerNext(QMessageBox::AcceptRole);
    Dialogs::answerNextPath(dir.filePath("manca/dati.pdf"));
    QTest::mouseClick(window.pdfButton(), Qt::LeftButton);
    const QList<DialogRequest> shown = Dialogs::takeShown();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0].title, "Il file non è stato salvato.");
    EXPECT_TRUE(shown[0].message.startsWith("Impossibile scrivere il file ")) << shown[0].message.toStdString();
}
