#include "SettingsView.h"
#include "Backup.h"
#include "ColorWell.h"
#include "PanelFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <memory>

namespace {

const QString autosaveNote =
    QString::fromUtf8("Le modifiche vengono salvate automaticamente. Il nome di un dentista "
                      "si può cambiare anche con un clic sul nome nell'agenda.");

class SettingsTest : public PanelTest {
protected:
    std::unique_ptr<SettingsView> view;

    void SetUp() override
    {
        PanelTest::SetUp();
        // Every row the window writes is counted.
        db.execute("CREATE TABLE writes (n INTEGER); "
                   "CREATE TRIGGER count_dentist_writes AFTER UPDATE ON dentists "
                   "BEGIN INSERT INTO writes VALUES (1); END");
    }

    SettingsView& open(Store& s)
    {
        view = std::make_unique<SettingsView>(s);
        view->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        return *view;
    }

    QLineEdit* field(const QString& name) { return view->findChild<QLineEdit*>(name); }
    QLineEdit* dentistField(int i) { return field(QStringLiteral("dentistField%1").arg(i)); }

    // Saves so far: each save rewrites the three dentists.
    qint64 saves()
    {
        return db.query("SELECT COUNT(*) FROM writes", {}, [](const SQLRow& r) { return r.integer(0); })
                   .value(0)
               / 3;
    }

    QStringList storedNames()
    {
        QStringList names;
        for (const Dentist& d : store.dentists())
            names.append(d.name);
        return names;
    }
};

TEST_F(SettingsTest, SavesOnEveryKeystrokeButNeverABlankName)
{
    SettingsView& v = open(store);
    EXPECT_EQ(v.size(), QSize(580, 640));
    EXPECT_EQ(v.noteText(), autosaveNote);
    EXPECT_EQ(dentistField(1)->text(), "Dentista 2");

    QLineEdit* first = dentistField(0);
    first->selectAll();
    QTest::keyClick(first, Qt::Key_Backspace);
    EXPECT_EQ(saves(), 0);
    EXPECT_EQ(store.dentist(1)->name, "Dentista 1");

    QTest::keyClicks(first, "N");
    EXPECT_EQ(store.dentist(1)->name, "N");
    QTest::keyClicks(first, "eri");
    EXPECT_EQ(store.dentist(1)->name, "Neri");
    EXPECT_EQ(saves(), 4);

    // A trailing blank changes nothing that would be stored.
    QTest::keyClicks(first, " ");
    EXPECT_EQ(saves(), 4);
    EXPECT_EQ(first->text(), "Neri ");

    QTest::keyClicks(field("studioField"), "Studio Sorriso");
    EXPECT_EQ(store.studioName(), "Studio Sorriso");
    EXPECT_EQ(storedNames(), QStringList({"Neri", "Dentista 2", "Dentista 3"}));

    // Changing only a colour saves at once, as upper-case hex.
    Dialogs::answerNextColor(QColor(0x0a, 0xbc, 0xde));
    QTest::mouseClick(view->findChild<ColorWell*>("dentistColor2"), Qt::LeftButton);
    EXPECT_EQ(store.dentist(3)->colorHex, "#0ABCDE");
}

TEST_F(SettingsTest, TypingInTheMiddleOfANameKeepsTheCursorWhereItIs)
{
    open(store);
    QLineEdit* second = dentistField(1);
    second->setFocus();
    second->setCursorPosition(4); // "Dent|ista 2"
    QTest::keyClicks(second, "X");
    EXPECT_EQ(store.dentist(2)->name, "DentXista 2");
    EXPECT_EQ(second->text(), "DentXista 2");
    EXPECT_EQ(second->cursorPosition(), 5);
}

TEST_F(SettingsTest, AFailedSaveShowsTheMessageUntilASaveSucceeds)
{
    SettingsView& v = open(store);
    blockDentistUpdates();
    QTest::keyClicks(dentistField(0), "x");
    ASSERT_TRUE(v.message().has_value());
    EXPECT_TRUE(v.noteText().startsWith("Errore durante il salvataggio: "));
    EXPECT_TRUE(v.noteText().contains("archivio bloccato"));
    EXPECT_EQ(dentistField(0)->text(), "Dentista 1x");
    EXPECT_EQ(store.dentist(1)->name, "Dentista 1");

    // Other changes of the store do not wipe what was typed.
    store.reload();
    EXPECT_EQ(dentistField(0)->text(), "Dentista 1x");

    unblockDentistUpdates();
    QTest::keyClicks(dentistField(0), "y");
    EXPECT_EQ(store.dentist(1)->name, "Dentista 1xy");
    EXPECT_FALSE(v.message().has_value());
    EXPECT_EQ(v.noteText(), autosaveNote);
}

TEST_F(SettingsTest, ChangesFromTheAgendaRefreshTheRowsUnlessANameIsBlank)
{
    open(store);
    ASSERT_EQ(store.updateDentist(Dentist{2, "Dott. Blu", "#0000FF", 1}), std::nullopt);
    EXPECT_EQ(dentistField(1)->text(), "Dott. Blu");
    EXPECT_EQ(view->dentists()[1].colorHex, "#0000FF");

    QLineEdit* first = dentistField(0);
    first->selectAll();
    QTest::keyClick(first, Qt::Key_Backspace);
    ASSERT_EQ(store.updateDentist(Dentist{2, "Dott. Verde", "#00FF00", 1}), std::nullopt);
    EXPECT_EQ(dentistField(1)->text(), "Dott. Blu");
    EXPECT_EQ(first->text(), "");

    // Typing the blank name again saves the window's copy, including the row it kept.
    QTest::keyClicks(first, "A");
    EXPECT_EQ(storedNames(), QStringList({"A", "Dott. Blu", "Dentista 3"}));
}

TEST_F(SettingsTest, WithoutDentistsNothingIsSavedNotEvenTheStudioName)
{
    db.execute("DROP TABLE dentists");
    store.loadSettings();
    ASSERT_TRUE(store.dentists().isEmpty());
    open(store);
    QTest::keyClicks(field("studioField"), "Studio");
    EXPECT_EQ(store.studioName(), "");
    EXPECT_FALSE(view->message().has_value());
}

TEST_F(SettingsTest, DataSectionShowsThePathTakesBackupsAndRevealsTheFile)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("calvora.sqlite");
    Database fileDb(path);
    Store fileStore(fileDb);
    SettingsView& v = open(fileStore);

    EXPECT_EQ(field("databasePath")->text(), path);
    EXPECT_EQ(v.findChild<QLabel*>("backupNote")->text(),
              QString::fromUtf8(
                  "Un backup automatico viene creato ogni giorno all'avvio nella cartella Dati/Backup "
                  "(vengono conservati gli ultimi 60). Per una copia di sicurezza completa, chiudi il "
                  "programma e copia l'intera cartella su un disco esterno."));
    EXPECT_EQ(v.findChild<QLabel*>("version")->text(), "Calvora " + QCoreApplication::applicationVersion());

    QTest::mouseClick(v.findChild<QPushButton*>("backupButton"), Qt::LeftButton);
    EXPECT_EQ(v.noteText(), "Backup creato: calvora-2024-12-04_100000.sqlite");
    EXPECT_TRUE(QFile::exists(folder.filePath("Backup/calvora-2024-12-04_100000.sqlite")));

    // A file where the Backup folder should be makes the next backup fail.
    QDir(folder.filePath("Backup")).removeRecursively();
    TestSupport::writeFile(folder.filePath("Backup"), "not a folder");
    QTest::mouseClick(v.findChild<QPushButton*>("backupButton"), Qt::LeftButton);
    EXPECT_TRUE(v.noteText().startsWith("Backup non riuscito: ")) << v.noteText().toStdString();

    QTest::mouseClick(v.findChild<QPushButton*>("revealButton"), Qt::LeftButton);
    EXPECT_EQ(revealed, QStringList{path});
}

} // namespace
