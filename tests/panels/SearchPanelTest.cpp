#include "SearchPanel.h"
#include "PanelFixture.h"
#include "SearchResultDelegate.h"
#include "SearchResultsModel.h"

#include <QImage>
#include <QLineEdit>
#include <QListView>
#include <QPainter>

#include <memory>

namespace {

class SearchPanelTest : public PanelTest {
protected:
    int closes = 0;
    std::unique_ptr<SearchPanel> panel;

    SearchPanel& open(const QString& initialText = {})
    {
        panel = std::make_unique<SearchPanel>(
            store, [this] { ++closes; }, initialText, nullptr);
        panel->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(panel.get()));
        return *panel;
    }

    void retype(const QString& text)
    {
        panel->field()->clear();
        QTest::keyClicks(panel->field(), text);
    }

    // The darkest grey level that painting one row produces.
    int darkestInk(int row)
    {
        QListView* list = panel->list();
        QStyleOptionViewItem option;
        option.initFrom(list->viewport());
        option.state &= ~QStyle::State_MouseOver;
        option.rect = QRect(0, 0, 460, 44);
        QImage image(option.rect.size(), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        list->itemDelegate()->paint(&painter, option, list->model()->index(row, 0));
        painter.end();
        int darkest = 255;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                darkest = std::min(darkest, qGray(image.pixel(x, y)));
        return darkest;
    }
};

TEST_F(SearchPanelTest, HintsForShortTextsAndForNoMatch)
{
    book(1, "2024-12-04", 600, 30, "Mario Rossi");
    SearchPanel& p = open();
    EXPECT_EQ(p.width(), 500);
    EXPECT_EQ(p.field()->placeholderText(), "Paziente, telefono o prestazione");
    EXPECT_EQ(p.hint(), "Digita almeno 2 lettere.");
    EXPECT_FALSE(p.list()->isVisible());

    for (const char* text : {"r", "  r  "}) {
        retype(text);
        EXPECT_EQ(p.hint(), "Digita almeno 2 lettere.") << text;
    }
    retype("zq");
    EXPECT_EQ(p.hint(), "Nessun appuntamento trovato.");
    EXPECT_FALSE(p.list()->isVisible());

    // Search as you type: the list appears with the second matching letter.
    retype("R");
    QTest::keyClicks(p.field(), "o");
    EXPECT_EQ(p.hint(), QString());
    EXPECT_TRUE(p.list()->isVisible());
    EXPECT_EQ(p.list()->height(), 360);
    EXPECT_EQ(p.list()->model()->rowCount(), 1);
    const int withList = p.height();
    retype("zq");
    EXPECT_LT(p.height(), withList);
}

TEST_F(SearchPanelTest, RowsNameDayTimeAndDetailsAndDimThePast)
{
    book(2, "2024-12-03", 600, 30, "Rosa Bianchi", "347 111", "Igiene orale");
    book(1, "2024-12-04", 615, 45, "Rosa Neri");
    book(3, "2024-12-05", 570, 15, "Rosa Verdi", {}, "Estrazione");
    SearchPanel& p = open("rosa");
    ASSERT_EQ(p.results().size(), 3);
    const QAbstractItemModel* model = p.list()->model();
    auto text = [model](int row, int role) { return model->index(row, 0).data(role).toString(); };

    // Newest first, as the store returns them.
    EXPECT_EQ(text(0, SearchResultsModel::PatientRole), "Rosa Verdi");
    EXPECT_EQ(text(0, SearchResultsModel::DayRole), "Gio 05/12/2024");
    EXPECT_EQ(text(0, SearchResultsModel::TimeRole), QString::fromUtf8("09:30–09:45"));
    EXPECT_EQ(text(0, SearchResultsModel::DetailsRole), QString::fromUtf8("Dentista 3 · Estrazione"));
    EXPECT_EQ(text(1, SearchResultsModel::DetailsRole), "Dentista 1");
    EXPECT_EQ(text(2, SearchResultsModel::DetailsRole),
              QString::fromUtf8("Dentista 2 · Igiene orale · 347 111"));

    // Today's row at full strength, yesterday's dimmed.
    EXPECT_FALSE(model->index(1, 0).data(SearchResultsModel::PastRole).toBool());
    EXPECT_TRUE(model->index(2, 0).data(SearchResultsModel::PastRole).toBool());
    const int today = darkestInk(1);
    const int yesterday = darkestInk(2);
    EXPECT_LT(today, 60);
    EXPECT_GT(yesterday, today + 60);
}

TEST_F(SearchPanelTest, PickingARowShowsThatDayInDayViewAndCloses)
{
    book(1, "2024-12-16", 660, 30, "Carla Fontana");
    ASSERT_EQ(store.mode(), ViewMode::Week);
    SearchPanel& p = open();
    QTest::keyClicks(p.field(), "fontana");
    ASSERT_EQ(p.list()->model()->rowCount(), 1);

    const QRect row = p.list()->visualRect(p.list()->model()->index(0, 0));
    QTest::mouseClick(p.list()->viewport(), Qt::LeftButton, {}, row.center());

    EXPECT_EQ(store.anchor(), QDate(2024, 12, 16));
    EXPECT_EQ(store.mode(), ViewMode::Day);
    ASSERT_EQ(store.weekAppointments().size(), 1);
    EXPECT_EQ(store.weekAppointments().first().patient, "Carla Fontana");
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(store.editing().has_value());
}

} // namespace
