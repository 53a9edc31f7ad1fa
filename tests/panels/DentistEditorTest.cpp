#include "DentistEditor.h"
#include "ColorWell.h"
#include "PanelFixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <memory>

namespace {

class DentistEditorTest : public PanelTest {
protected:
    int closes = 0;
    std::unique_ptr<DentistEditor> editor;

    void open(qint64 id)
    {
        editor = std::make_unique<DentistEditor>(
            store, *store.dentist(id), [this] { ++closes; }, nullptr);
        expose(editor.get());
    }

    template <typename T> T* find(const char* name) { return child<T>(editor.get(), name); }

    void retype(const QString& text)
    {
        find<QLineEdit>("nameField")->clear();
        QTest::keyClicks(find<QLineEdit>("nameField"), text);
    }

    void pickColor(const QColor& color)
    {
        Dialogs::answerNextColor(color);
        QTest::mouseClick(find<ColorWell>("colorWell"), Qt::LeftButton);
    }
};

TEST_F(DentistEditorTest, SavesTheTrimmedNameAndAnUpperCaseColourOrShowsWhySavingFailed)
{
    open(2);
    retype("  Dott. Neri \t");
    pickColor(QColor(0xab, 0x0c, 0xde));
    EXPECT_TRUE(editor->isVisible()); // back after the chooser
    blockDentistUpdates();
    QTest::mouseClick(find<QPushButton>("saveButton"), Qt::LeftButton);
    ASSERT_TRUE(editor->error().has_value());
    EXPECT_TRUE(editor->error()->startsWith("Errore durante il salvataggio: ")
                && editor->error()->contains("archivio bloccato"));
    EXPECT_EQ(find<QLabel>("errorText")->text(), *editor->error());
    EXPECT_TRUE(find<QLabel>("errorText")->isVisibleTo(editor.get()));
    EXPECT_EQ(closes, 0);

    unblockDentistUpdates();
    QTest::mouseClick(find<QPushButton>("saveButton"), Qt::LeftButton);
    EXPECT_EQ(store.dentist(2)->name, "Dott. Neri");
    EXPECT_EQ(store.dentist(2)->colorHex, "#AB0CDE");
    EXPECT_EQ(store.dentist(1)->name, "Dentista 1");
    EXPECT_EQ(closes, 1);
}

TEST_F(DentistEditorTest, ReturnSavesUnlessTheNameIsBlankAndEscapeCancels)
{
    open(1);
    retype("   ");
    EXPECT_FALSE(find<QPushButton>("saveButton")->isEnabled());
    QTest::keyClick(find<QLineEdit>("nameField"), Qt::Key_Return);
    EXPECT_EQ(closes, 0);
    retype("Dott. Blu");
    QTest::keyClick(find<QLineEdit>("nameField"), Qt::Key_Escape);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(store.dentist(1)->name, "Dentista 1");

    open(1);
    retype("Dott. Blu");
    QTest::keyClick(find<QLineEdit>("nameField"), Qt::Key_Return);
    EXPECT_EQ(store.dentist(1)->name, "Dott. Blu");
    EXPECT_EQ(closes, 2);
}

} // namespace
