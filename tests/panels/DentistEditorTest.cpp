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

    DentistEditor& open(qint64 id)
    {
        editor = std::make_unique<DentistEditor>(
            store, *store.dentist(id), [this] { ++closes; }, nullptr);
        editor->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(editor.get()));
        return *editor;
    }

    template <typename T> T* child(const char* name)
    {
        T* widget = editor->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    void retype(const QString& text)
    {
        auto* field = child<QLineEdit>("nameField");
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, text);
    }
};

TEST_F(DentistEditorTest, SavesTheTrimmedNameAndAnUpperCaseColourThenCloses)
{
    DentistEditor& e = open(2);
    EXPECT_TRUE(e.windowFlags().testFlag(Qt::Popup));
    EXPECT_EQ(child<QLineEdit>("nameField")->placeholderText().left(10), "es. Dott. ");
    EXPECT_EQ(child<QLineEdit>("nameField")->width(), 260);

    retype("  Dott. Neri \t");
    Dialogs::answerNextColor(QColor(0xab, 0x0c, 0xde));
    QTest::mouseClick(child<ColorWell>("colorWell"), Qt::LeftButton);
    EXPECT_EQ(child<ColorWell>("colorWell")->color(), QColor(0xab, 0x0c, 0xde));
    EXPECT_TRUE(e.isVisible()); // back after the chooser
    QTest::mouseClick(child<QPushButton>("saveButton"), Qt::LeftButton);

    EXPECT_EQ(store.dentist(2)->name, "Dott. Neri");
    EXPECT_EQ(store.dentist(2)->colorHex, "#AB0CDE");
    EXPECT_EQ(store.dentist(1)->name, "Dentista 1");
    EXPECT_EQ(closes, 1);
}

TEST_F(DentistEditorTest, ReturnWithABlankNameDoesNothingAndEscapeCancels)
{
    open(1);
    retype("   ");
    EXPECT_FALSE(child<QPushButton>("saveButton")->isEnabled());
    QTest::keyClick(child<QLineEdit>("nameField"), Qt::Key_Return);
    EXPECT_EQ(closes, 0);
    EXPECT_EQ(store.dentist(1)->name, "Dentista 1");

    retype("Dott. Blu");
    QTest::keyClick(child<QLineEdit>("nameField"), Qt::Key_Escape);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(store.dentist(1)->name, "Dentista 1");

    // Return in the field saves once.
    open(1);
    retype("Dott. Blu");
    QTest::keyClick(child<QLineEdit>("nameField"), Qt::Key_Return);
    EXPECT_EQ(store.dentist(1)->name, "Dott. Blu");
    EXPECT_EQ(closes, 2);
}

TEST_F(DentistEditorTest, AFailedSaveShowsTheMessageAndStaysOpenUntilASaveSucceeds)
{
    DentistEditor& e = open(3);
    Dialogs::answerNextColor(QColor(0x10, 0x20, 0x30));
    QTest::mouseClick(child<ColorWell>("colorWell"), Qt::LeftButton);
    blockDentistUpdates();
    QTest::mouseClick(child<QPushButton>("saveButton"), Qt::LeftButton);

    ASSERT_TRUE(e.error().has_value());
    EXPECT_TRUE(e.error()->startsWith("Errore durante il salvataggio: "));
    EXPECT_TRUE(e.error()->contains("archivio bloccato"));
    auto* error = child<QLabel>("errorText");
    EXPECT_TRUE(error->isVisibleTo(&e));
    EXPECT_EQ(error->text(), *e.error());
    EXPECT_EQ(closes, 0);
    EXPECT_EQ(store.dentist(3)->colorHex, "#E67E22");

    // Only the colour changed: the old name is saved with it.
    unblockDentistUpdates();
    QTest::mouseClick(child<QPushButton>("saveButton"), Qt::LeftButton);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(store.dentist(3)->name, "Dentista 3");
    EXPECT_EQ(store.dentist(3)->colorHex, "#102030");
}

} // namespace
