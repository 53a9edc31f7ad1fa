#include "PanelFixture.h"
#include "PanelStyle.h"

#include <QCalendarWidget>
#include <QLineEdit>
#include <QTextCharFormat>

#include <memory>

namespace {

class DateFieldTest : public PanelTest {
protected:
    std::unique_ptr<DateField> field{
        PanelStyle::dateField("day", QDate(2024, 12, 4), "ddd dd/MM/yyyy", nullptr, &store)};

    void SetUp() override
    {
        PanelTest::SetUp();
        expose(field.get());
    }
};

TEST_F(DateFieldTest, ADateTypedWithOrWithoutSlashesIsTakenWithoutSelectingItsParts)
{
    struct Case {
        const char* typed;
        std::optional<Qt::Key> then;
        QDate expected;
    };
    const QDate shown(2024, 12, 4);
    const Case cases[] = {
        {"05122024", std::nullopt, QDate(2024, 12, 5)}, // taken as soon as it is whole
        {"6/1/2025", std::nullopt, QDate(2025, 1, 6)},
        {"6.1.25", Qt::Key_Tab, QDate(2025, 1, 6)},
        {"1012", Qt::Key_Return, QDate(2024, 12, 10)},
        {"3/1", Qt::Key_Tab, QDate(2025, 1, 3)}, // the nearest 3 January
        {"20", Qt::Key_Return, QDate(2024, 12, 20)},
        {"31022025", std::nullopt, shown}, // no such day
        {"12", Qt::Key_Escape, shown},
        {"0", Qt::Key_Backspace, shown},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        field->setDate(shown);
        field->setFocus();
        QTest::keyClicks(field.get(), c.typed);
        if (c.then)
            QTest::keyClick(field.get(), *c.then);
        EXPECT_FALSE(field->typing());
        EXPECT_EQ(field->date(), c.expected);
        EXPECT_EQ(field->findChild<QLineEdit*>()->text(),
                  field->locale().toString(c.expected, "ddd dd/MM/yyyy"));
    }

    // Half typed, the field shows the digits as a date in the making, and leaving it takes them.
    field->setDate(shown);
    QTest::keyClicks(field.get(), "1512");
    EXPECT_EQ(field->findChild<QLineEdit*>()->text(), "15/12");
    field->clearFocus();
    EXPECT_EQ(field->date(), QDate(2024, 12, 15));
}

TEST_F(DateFieldTest, TheCalendarStrikesTheClosedDaysOfEachPageItShowsWithTheirReason)
{
    ASSERT_FALSE(store.setClosedPeriods({{QDate(2024, 12, 24), QDate(2024, 12, 26), "Natale"},
                                         {QDate(2025, 1, 20), QDate(2025, 1, 20), {}}}));
    QTest::mouseClick(field.get(), Qt::LeftButton, {}, QPoint(field->width() - 6, field->height() / 2));
    QCalendarWidget* calendar = field->findChild<QCalendarWidget*>();
    ASSERT_TRUE(calendar);
    const auto mark = [calendar](int year, int month, int day) {
        return calendar->dateTextFormat(QDate(year, month, day));
    };
    EXPECT_EQ(mark(2024, 12, 25).toolTip(), "Studio chiuso: Natale");
    EXPECT_TRUE(mark(2024, 12, 26).fontStrikeOut());
    EXPECT_FALSE(mark(2024, 12, 23).fontStrikeOut());

    calendar->showNextMonth();
    EXPECT_EQ(mark(2025, 1, 20).toolTip(), "Studio chiuso");
    EXPECT_TRUE(mark(2025, 1, 20).fontStrikeOut());
}

} // namespace
