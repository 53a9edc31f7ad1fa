// The recovery key from the settings: made once, its public half kept by the practice, its words shown once
// and printed; every copy to the second place is then encrypted for it.
#include "Backup.h"
#include "Database.h"
#include "Dialogs.h"
#include "FileStore.h"
#include "PanelFixture.h"
#include "RecoveryKey.h"
#include "RecoveryKeyDialog.h"
#include "SealedFile.h"
#include "SecondPlace.h"
#include "SettingsView.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>

namespace {

class RecoveryKeySettingsTest : public PanelTest {
protected:
    QTemporaryDir folder;
    Database fileDb{folder.filePath("calvora.sqlite")};
    FileStore fileStore{fileDb};
    QString drive = folder.filePath("Disco");
    std::unique_ptr<SettingsView> view;

    void SetUp() override
    {
        PanelTest::SetUp();
        QDir().mkpath(drive);
        fileDb.run("INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient) VALUES "
                   "(1, '2024-12-04', 540, 30, 'Annunziata Bellosguardo')");
        fileStore.setSecondPlace(std::make_unique<SecondPlace>(
            std::make_unique<QSettings>(folder.filePath("locale.ini"), QSettings::IniFormat), fileDb.path(),
            &Backup::copyChecked));
        fileStore.secondPlace()->setFolder(drive);
        view = std::make_unique<SettingsView>(fileStore);
        view->showPage(SettingsView::Page::Archive);
        expose(view.get());
    }

    void click(const QWidget* root, const char* button)
    {
        QTest::mouseClick(child<QPushButton>(root, button), Qt::LeftButton);
    }
    QString state() const { return child<QLabel>(view.get(), "recoveryKeyState")->text(); }

    static int pdfPages(const QString& path)
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return -1;
        return int(QString::fromLatin1(f.readAll()).count(QRegularExpression("/Type\\s*/Page(?!s)")));
    }
};

} // namespace

TEST_F(RecoveryKeySettingsTest, theKeyIsShownOncePrintedOnOnePageAndEncryptsTheNextCopy)
{
    EXPECT_TRUE(state().startsWith("Le copie non sono cifrate")) << state().toStdString();
    click(view.get(), "createRecoveryKey");
    auto* dialog = view->findChild<RecoveryKeyDialog*>("recoveryKeyDialog");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(Dialogs::takeShown().isEmpty()) << "the first key asks nothing";

    // What the dialog shows is the secret half of what the practice keeps the public half of.
    const QStringList words = dialog->shownWords();
    ASSERT_EQ(words.size(), RecoveryKey::wordCount);
    const std::optional<QByteArray> secret = RecoveryKey::fromWords(words.join(' '));
    ASSERT_TRUE(secret);
    const std::optional<QByteArray> kept = fileStore.recoveryPublicKey();
    ASSERT_TRUE(kept);
    EXPECT_EQ(RecoveryKey::publicOf(*secret), *kept);
    const QString fingerprint = RecoveryKey::fingerprint(*kept);
    EXPECT_EQ(state(), "Copie cifrate con la chiave " + fingerprint + " creata il 4 dicembre 2024.");
    EXPECT_TRUE(child<QLabel>(dialog, "recoveryKeyFingerprint")->text().endsWith(fingerprint));
    EXPECT_EQ(fileDb.query("SELECT action FROM activity_log ORDER BY n DESC LIMIT 1", {},
                           [](const SQLRow& r) { return r.text(0); }),
              QList<QString>{"recovery-key"});

    const QString pdf = folder.filePath("chiave.pdf");
    RecoveryKeyDialog::answerNextPrintToPdf(pdf);
    click(dialog, "printRecoveryKey");
    EXPECT_EQ(pdfPages(pdf), 1);
    click(dialog, "closeRecoveryKey");

    click(view.get(), "backupButton");
    QTRY_VERIFY_WITH_TIMEOUT(!fileStore.secondPlace()->busy(), 10000);
    const QStringList copies = QDir(drive).entryList(QDir::Files);
    ASSERT_EQ(copies, QStringList{"calvora-2024-12-04_100000.sqlite.cifrato"});
    EXPECT_EQ(child<QLabel>(view.get(), "secondPlaceMessage")->text(),
              "Copia cifrata verificata in " + drive + '/' + copies[0]);
    const QString plain = folder.filePath("aperta.sqlite");
    SealedFile::open(drive + '/' + copies[0], plain, *secret);
    EXPECT_EQ(Database(plain).query("SELECT patient FROM appointments", {}, [](const SQLRow& r) { return r.text(0); }),
              QList<QString>{"Annunziata Bellosguardo"});

    // Replacing it asks first; declined, the key stays.
    Dialogs::answerNext(QMessageBox::RejectRole);
    click(view.get(), "createRecoveryKey");
    const QList<DialogRequest> asked = Dialogs::takeShown();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].title, "Sostituire la chiave di ripristino " + fingerprint + "?");
    EXPECT_EQ(fileStore.recoveryPublicKey(), kept);
}
