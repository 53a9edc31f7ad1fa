#include "SearchPanel.h"
#include "FileStore.h"
#include "PanelFixture.h"
#include "SearchResultsModel.h"

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPainter>
#include <QTemporaryDir>

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
        expose(panel.get());
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
        const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
        uchar darkest = 255;
        for (int y = 0; y < grey.height(); ++y)
            darkest = std::min(
                darkest, *std::min_element(grey.constScanLine(y), grey.constScanLine(y) + grey.width()));
        return darkest;
    }
};

TEST_F(SearchPanelTest, HintsForShortTextsAndForNoMatchAndTheListWhileTyping)
{
    book(1, "2024-12-04", 600, 30, "Mario Rossi");
    SearchPanel& p = open();
    for (const char* text : {"", "r", "  r  "}) {
        retype(text);
        EXPECT_EQ(p.hint(), "Digita almeno 2 lettere.") << text;
    }
    retype("zq");
    EXPECT_EQ(p.hint(), "Nessun appuntamento trovato.");
    EXPECT_FALSE(p.list()->isVisible());

    retype("R");
    QTest::keyClicks(p.field(), "o");
    EXPECT_EQ(p.hint(), QString());
    EXPECT_TRUE(p.list()->isVisible());
    EXPECT_EQ(p.list()->model()->rowCount(), 1);
}

TEST_F(SearchPanelTest, RowsNameDayTimeAndDetailsAndDimThePast)
{
    book(2, "2024-12-03", 600, 30, "Rosa Bianchi", "347 111", "Igiene orale");
    book(1, "2024-12-04", 615, 45, "Rosa Neri");
    book(3, "2024-12-05", 570, 15, "Rosa Verdi", {}, "Estrazione");
    SearchPanel& p = open("rosa");
    const QAbstractItemModel* model = p.list()->model();
    ASSERT_EQ(model->rowCount(), 3);
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
    const int today = darkestInk(1);
    EXPECT_LT(today, 60);
    EXPECT_GT(darkestInk(2), today + 60);
}

TEST_F(SearchPanelTest, PickingARowShowsThatDayInDayViewAndCloses)
{
    book(1, "2024-12-16", 660, 30, "Carla Fontana");
    ASSERT_EQ(store.mode(), ViewMode::Week);
    SearchPanel& p = open("fontana");
    ASSERT_EQ(p.list()->model()->rowCount(), 1);
    QSignalSpy picked(&p, &SearchPanel::picked);
    const QRect row = p.list()->visualRect(p.list()->model()->index(0, 0));
    QTest::mouseClick(p.list()->viewport(), Qt::LeftButton, {}, row.center());

    EXPECT_EQ(store.anchor(), QDate(2024, 12, 16));
    EXPECT_EQ(store.mode(), ViewMode::Day);
    EXPECT_EQ(closes, 1);
    ASSERT_EQ(picked.count(), 1); // so that the agenda brings it into view
    EXPECT_EQ(picked.first().first().value<Appointment>().patient, "Carla Fontana");
}

TEST_F(SearchPanelTest, DownGoesIntoTheResultsUpComesBackAndReturnPicks)
{
    book(1, "2024-12-16", 660, 30, "Rosa Fontana");
    book(1, "2024-12-17", 660, 30, "Rosa Neri");
    SearchPanel& p = open("rosa");
    const auto key = [](Qt::Key k) { QTest::keyClick(QApplication::focusWidget(), k); };
    const auto row = [&p] { return p.list()->currentIndex().row(); };
    ASSERT_TRUE(p.field()->hasFocus());
    key(Qt::Key_Down);
    EXPECT_TRUE(p.list()->hasFocus());
    EXPECT_EQ(row(), 0);
    key(Qt::Key_Down);
    EXPECT_EQ(row(), 1);
    key(Qt::Key_Up);
    key(Qt::Key_Up);
    EXPECT_TRUE(p.field()->hasFocus());
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    key(Qt::Key_Return);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(store.anchor(), QDate(2024, 12, 16));

    // Return in the field picks the first result.
    open("neri");
    key(Qt::Key_Return);
    EXPECT_EQ(closes, 2);
    EXPECT_EQ(store.anchor(), QDate(2024, 12, 17));
}

// On the data folder's file, before the copy in memory is ready, a search reads the agenda on a
// worker: the panel says so and shows the results when they arrive.
TEST_F(SearchPanelTest, ResultsThatReadTheAgendaArriveWhileThePanelSaysItIsSearching)
{
    QTemporaryDir dir;
    Database file(dir.filePath("calvora.sqlite"));
    FileStore onFile(file);
    ASSERT_FALSE(onFile.save({0, 1, "2024-12-04", 600, 30, "Mario Rossi", {}, {}, {}}));
    panel = std::make_unique<SearchPanel>(onFile, [] {}, QString(), nullptr);
    expose(panel.get());
    QTest::keyClicks(panel->field(), "ro");
    EXPECT_EQ(panel->hint(), "Ricerca in corso…");
    ASSERT_TRUE(TestSupport::eventually([&] { return panel->list()->isVisible(); }));
    EXPECT_EQ(panel->results(), onFile.search("ro"));
    panel.reset();
}

} // namespace

TEST_F(SearchPanelTest, ARowsMenuAnonymisesItsPatientOnlyAfterTheQuestionAndSparesANamesake)
{
    const Appointment anna = book(1, "2024-12-05", 600, 30, "Anna Verdi", "333 111", "Igiene orale");
    const Appointment namesake = book(1, "2024-12-05", 660, 30, "Anna Verdi", "347 222");
    ASSERT_TRUE(store.move(anna.id, QDate(2024, 12, 5), 2, 600));
    ASSERT_TRUE(store.canUndo());
    open("verdi");
    QTRY_COMPARE(panel->results().size(), 2);
    const auto anonymiseAction = [&](const Appointment& row) {
        const QList<QAction*> actions = panel->resultMenu(row)->actions();
        EXPECT_EQ(actions.size(), 2);
        EXPECT_EQ(actions.value(1)->text(), "Anonimizza…");
        return actions.value(1);
    };

    Dialogs::answerNext(QMessageBox::RejectRole);
    anonymiseAction(anna)->trigger();
    EXPECT_EQ(closes, 1);
    const QList<DialogRequest> asked = Dialogs::takeShown();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].title, "Anonimizzare «Anna Verdi»?");
    EXPECT_TRUE(asked[0].message.contains("333 111"));
    EXPECT_TRUE(asked[0].message.contains("non si può annullare"));
    EXPECT_TRUE(asked[0].message.contains("backup"));
    EXPECT_EQ(store.storedAppointment(anna.id)->patient, "Anna Verdi") << "refused: nothing changes";

    Dialogs::answerNext(QMessageBox::DestructiveRole);
    Dialogs::answerNext(QMessageBox::AcceptRole);
    anonymiseAction(anna)->trigger();
    EXPECT_EQ(Dialogs::takeShown().value(1).title, "Paziente anonimizzato");
    const Appointment after = *store.storedAppointment(anna.id);
    EXPECT_EQ(QStringList({after.patient, after.phone, after.treatment}), QStringList(3, "Paziente anonimizzato"));
    EXPECT_EQ(store.storedAppointment(namesake.id)->patient, "Anna Verdi");
    EXPECT_FALSE(store.canUndo()) << "not in the undo history";
}
