// "Prova di ripristino" on the archive's settings page, driven through its widgets.
#include "Backup.h"
#include "PanelFixture.h"
#include "RecoveryKey.h"
#include "RecoveryKeyQuestion.h"
#include "RestoreProof.h"
#include "RestoredCopy.h"
#include "SealedFile.h"
#include "SecondPlace.h"
#include "SettingsView.h"

#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>

namespace {

QPushButton* button(const QWidget* root, const QString& text)
{
    for (QPushButton* b : root->findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    ADD_FAILURE() << text.toStdString();
    return nullptr;
}

} // namespace

TEST_F(PanelTest, RestoreProofTakesTheNewestCopyAndAsksForTheKeyOfAnEncryptedOne)
{
    QTemporaryDir folder;
    Database fileDb(folder.filePath("calvora.sqlite"));
    FileStore fileStore(fileDb);
    const auto local = [&] { return std::make_unique<QSettings>(folder.filePath("locale.ini"), QSettings::IniFormat); };
    fileStore.setSecondPlace(std::make_unique<SecondPlace>(local(), fileDb.path(), &Backup::copyChecked));
    fileStore.setRestoreProof(std::make_unique<RestoreProof>(local(), fileDb.path(), [](const QString& b, const QString& f) {
        const RestoredCopy::Counts c = RestoredCopy::restoreInto(b, f);
        return RestoreProof::Counts{c.appointments, c.dentists};
    }));
    SettingsView view(fileStore);
    expose(&view);
    view.showPage(SettingsView::Page::Archive);
    auto* last = child<QLabel>(&view, "lastRestoreProof");
    auto* message = child<QLabel>(&view, "restoreProofMessage");
    auto* prove = child<QPushButton>(&view, "proveRestore");
    EXPECT_EQ(last->text(), "Ultima prova di ripristino: mai");

    QTest::mouseClick(prove, Qt::LeftButton);
    EXPECT_TRUE(message->text().startsWith("Nessuna cartella per le copie dei backup")) << message->text().toStdString();
    const QString drive = folder.filePath("Disco");
    QDir().mkpath(drive);
    fileStore.secondPlace()->setFolder(drive);
    QTest::mouseClick(prove, Qt::LeftButton);
    EXPECT_EQ(message->text(), "Nella cartella delle copie dei backup (" + drive + ") non c'è ancora nessun backup da provare.");

    // An encrypted copy: words that make no key are refused in the dialog, the right ones prove it in full.
    const RecoveryKey::Pair key = RecoveryKey::create();
    SealedFile::seal(Backup::now(fileDb), drive + "/calvora-2024-12-04_100000.sqlite.cifrato", key.publicKey);
    QTest::mouseClick(prove, Qt::LeftButton);
    auto* ask = view.findChild<RecoveryKeyQuestion*>();
    ASSERT_NE(ask, nullptr);
    QTest::keyClicks(ask->wordsField(), "parole a caso");
    QTest::mouseClick(button(ask, "Prova con la chiave"), Qt::LeftButton);
    EXPECT_TRUE(ask->isVisible());
    EXPECT_TRUE(ask->errorText().startsWith("Queste parole non formano una chiave di ripristino"));
    ask->wordsField()->setPlainText(RecoveryKey::words(key.secretKey).join(u' ').toUpper());
    QTest::mouseClick(button(ask, "Prova con la chiave"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!fileStore.restoreProof()->busy() && !message->text().endsWith("…"), 10000);
    EXPECT_TRUE(message->text().startsWith("Prova di ripristino riuscita: la copia cifrata "
                                           "calvora-2024-12-04_100000.sqlite.cifrato è stata decifrata"))
        << message->text().toStdString();
    EXPECT_EQ(last->text(), "Ultima prova di ripristino: mercoledì 4 dicembre 2024 alle ore 10:00 – copia cifrata "
                            "calvora-2024-12-04_100000.sqlite.cifrato decifrata e ripristinata in prova (0 appuntamenti "
                            "e 3 dentisti)");

    // "Solo verifica" checks it without the key and says so.
    QTest::mouseClick(prove, Qt::LeftButton);
    QTRY_VERIFY(view.findChild<RecoveryKeyQuestion*>() && view.findChild<RecoveryKeyQuestion*>()->isVisible());
    QTest::mouseClick(button(view.findChild<RecoveryKeyQuestion*>(), "Solo verifica"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!fileStore.restoreProof()->busy() && message->text().contains("non decifrata"), 10000);
}
