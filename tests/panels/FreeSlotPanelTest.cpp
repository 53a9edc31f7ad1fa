#include "FreeSlotPanel.h"
#include "PanelFixture.h"

#include <QComboBox>
#include <QApplication>
#include <QDateEdit>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QToolButton>

namespace {

class FreeSlotTest : public PanelTest {
protected:
    int closed = 0;
    std::unique_ptr<FreeSlotPanel> panel;

    FreeSlotPanel& open()
    {
        panel = std::make_unique<FreeSlotPanel>(store, [this] { ++closed; }, nullptr);
        expose(panel.get());
        return *panel;
    }
    QStringList rows()
    {
        QStringList texts;
        for (int i = 0; i < panel->list()->count(); ++i)
            texts << panel->list()->item(i)->text();
        return texts;
    }
};

TEST_F(FreeSlotTest, TheControlsNarrowTheSearchAndAPickOpensTheEditorThere)
{
    book(2, "2024-12-04", 600, 120, "Mario Rossi");
    FreeSlotPanel& p = open();
    EXPECT_EQ(rows().value(0), QStringLiteral("Mercoledì 4 dicembre · 10:00–10:30 · Dentista 1"));
    EXPECT_EQ(rows().size(), FreeSlotPanel::shownSlots);

    child<QComboBox>(&p, "durationPicker")->setCurrentIndex(3); // 1 h
    child<QComboBox>(&p, "dentistPicker")->setCurrentIndex(2);  // Dentista 2
    EXPECT_EQ(rows().value(0), QStringLiteral("Mercoledì 4 dicembre · 12:00–13:00 · Dentista 2"));
    child<QComboBox>(&p, "partPicker")->setCurrentIndex(1); // morning
    for (const char* day : {"weekday0", "weekday1", "weekday2", "weekday3"})
        child<QToolButton>(&p, day)->setChecked(false);
    EXPECT_EQ(rows().value(0), QStringLiteral("Venerdì 6 dicembre · 09:00–10:00 · Dentista 2"));
    child<QToolButton>(&p, "weekday4")->setChecked(false);
    EXPECT_EQ(p.hint(), QStringLiteral("Scegli almeno un giorno della settimana."));
    EXPECT_TRUE(rows().isEmpty());
    child<QToolButton>(&p, "weekday0")->setChecked(true);
    child<QDateEdit>(&p, "fromPicker")->setDate(QDate(2024, 12, 20));

    // Return on the current row picks it: that day is shown and the editor opens on it.
    QTest::keyClick(p.list(), Qt::Key_Down);
    QTest::keyClick(p.list(), Qt::Key_Return);
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(store.anchor(), QDate(2024, 12, 23));
    EXPECT_EQ(store.editing(), (Appointment{0, 2, "2024-12-23", 555, 60, {}, {}, {}, {}}));
}

// Return in any field picks the selected proposal, the first one when none is. (Typing in the pickers
// is the phone call's business, in the end-to-end tests.)
TEST_F(FreeSlotTest, ReturnFromAnyFieldPicks)
{
    const auto key = [](Qt::Key k) { QTest::keyClick(QApplication::focusWidget(), k); };
    for (const char* field : {"durationPicker", "fromPicker", "weekday2"}) {
        SCOPED_TRACE(field);
        store.setEditing(std::nullopt);
        FreeSlotPanel& again = open();
        child<QWidget>(&again, field)->setFocus();
        key(Qt::Key_Return);
        EXPECT_EQ(store.editing().value_or(Appointment{}).startMinutes,
                  again.results().value(0).startMinutes);
    }
    EXPECT_EQ(closed, 3);
}

TEST_F(FreeSlotTest, AWeekdayWithTheKeyboardLooksDifferentCheckedOrNot)
{
    FreeSlotPanel& p = open();
    auto* day = child<QToolButton>(&p, "weekday1");
    for (const bool checked : {true, false}) {
        day->setChecked(checked);
        child<QComboBox>(&p, "durationPicker")->setFocus();
        const QImage without = day->grab().toImage();
        day->setFocus();
        ASSERT_TRUE(day->hasFocus());
        EXPECT_NE(day->grab().toImage(), without) << checked;
    }
}

} // namespace
