#include "Color.h"
#include "PageGeometry.h"
#include "PageText.h"
#include "PrintFixture.h"
#include "RecordingDevice.h"
#include "Schedule.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <memory>

namespace {

const QString printedAt = QStringLiteral("Stampato il 04/12/2024 alle 10:00");

std::unique_ptr<RecordingDevice> record(const SchedulePrintView& view, int index)
{
    auto device = std::make_unique<RecordingDevice>(view.pageSize());
    QPainter painter(device.get());
    view.drawPage(painter, index, QRectF(QPointF(0, 0), view.pageSize()));
    return device;
}

qreal rightEdge(const PaintRecord& text)
{
    return text.rect.left() + text.rect.width();
}

// The one text record equal to `text` (a test failure when there is not exactly one).
PaintRecord only(const RecordingDevice& d, const QString& text)
{
    const QList<PaintRecord> found = d.texts(text);
    EXPECT_EQ(found.size(), 1) << text.toStdString();
    return found.value(0);
}

} // namespace

TEST_F(PrintTest, onlyMultiPageJobsNameTheSideAndNumberThePages)
{
    const SchedulePrintView two = view(PrintLayout::WeekTwoPages);
    const char* sides[] = {"Fronte", "Retro"};
    for (int page = 0; page < 2; ++page) {
        SCOPED_TRACE(page);
        const auto d = record(two, page);
        only(*d, two.title() + QStringLiteral("  \u2014  ") + sides[page]);
        const PaintRecord number = only(*d, QStringLiteral("Pagina %1 di 2").arg(page + 1));
        EXPECT_NEAR(only(*d, printedAt).rect.top(), number.rect.top(), 1e-9); // one footer line
    }

    for (const PrintLayout layout : {PrintLayout::WeekOnePage, PrintLayout::Day}) {
        const SchedulePrintView single = view(layout);
        const auto d = record(single, 0);
        only(*d, single.title());
        only(*d, printedAt);
        for (const PaintRecord& text : d->of(PaintRecord::Text)) {
            EXPECT_FALSE(text.text.contains(QChar(0x2014)) || text.text.startsWith("Pagina"))
                << text.text.toStdString();
        }
    }
}

// Every quarter has its time beside the grid, and each day and each of its dentists has a header, tinted
// in the dentist's colour.
TEST_F(PrintTest, theWeekGridShowsEveryQuarterUnderItsDayAndDentistHeaders)
{
    QList<Dentist> dentists = store.dentists();
    dentists[1].colorHex = "#336699";
    ASSERT_FALSE(store.saveSettings("Studio Rossi", dentists));
    const SchedulePrintView v = view(PrintLayout::WeekOnePage);
    const PageGeometry g(QRectF(QPointF(0, 0), v.pageSize()), 5, 3);
    const auto d = record(v, 0);

    for (int row = 0; row < PageGeometry::rowCount; ++row)
        only(*d, Schedule::clockText(PageGeometry::rowMinutes(row)));
    EXPECT_TRUE(d->texts("19:45").isEmpty()); // the last row starts at 19:30

    only(*d, "Studio Rossi");
    only(*d, QStringLiteral("Giovedì 5 dicembre"));
    EXPECT_EQ(d->texts(dentists[1].name).size(), 5);
    const QColor colour = colorFromHex("#336699");
    for (int day = 0; day < 5; ++day) {
        const QList<PaintRecord> fills = d->of(PaintRecord::Rect);
        EXPECT_TRUE(std::any_of(fills.begin(), fills.end(), [&](const PaintRecord& r) {
            return r.rect == g.dentistCell(day, 1) && r.brush.color().rgb() == colour.rgb();
        })) << day;
    }
}

TEST_F(PrintTest, appointmentBoxesHoldAsManyLinesAsFitOnTheirOwnDay)
{
    store.setAnchor(QDate(2024, 12, 2));
    book(1, "2024-12-02", 540, 120, "Mario Rossi", "333 1234567", "Igiene orale", "Portare\nle lastre");
    book(2, "2024-12-02", 600, 15, "Anna Bianchi", {}, "Controllo");
    book(1, "2024-12-05", 540, 30, "Giulia Verdi");
    const SchedulePrintView v = view(PrintLayout::Day);
    const PageGeometry g(QRectF(QPointF(0, 0), v.pageSize()), 1, 3);
    const auto d = record(v, 0);
    const qreal L = PageText(d.get()).lineHeight(TextFace::Regular, 9);
    const QString dot = QStringLiteral(" \u00B7 ");

    // Two hours: all four lines, one below the other.
    const QRectF box = g.appointmentBox(0, 0, 540, 120);
    const PaintRecord patient = only(*d, "Mario Rossi");
    EXPECT_TRUE(box.contains(patient.rect.topLeft()));
    const auto line = [&](int i) { return d->lineAt(patient.rect.top() + i * L, box.left(), box.right()); };
    EXPECT_EQ(line(1), "09:00–11:00" + dot + "Igiene orale");
    EXPECT_EQ(line(2), "Tel. 333 1234567");
    EXPECT_EQ(line(3), "Portare le lastre");

    // The box: opaque so the rules do not show through, tinted and outlined in the dentist's colour.
    QList<PaintRecord> layers;
    for (const PaintRecord& r : d->of(PaintRecord::Path)) {
        if (std::abs(r.rect.top() - box.top()) < 0.01 && std::abs(r.rect.left() - box.left()) < 0.01)
            layers.append(r);
    }
    ASSERT_EQ(layers.size(), 3);
    const QColor colour = colorFromHex(v.dentists()[0].colorHex);
    EXPECT_EQ(layers[0].brush.color(), QColor(Qt::white));
    EXPECT_EQ(layers[1].brush.color().rgb(), colour.rgb());
    EXPECT_EQ(layers[2].pen.color(), colour);

    // A quarter hour: one line, patient then treatment.
    const QRectF quarter = g.appointmentBox(0, 1, 600, 15);
    const PaintRecord anna = only(*d, "Anna Bianchi");
    EXPECT_TRUE(quarter.contains(anna.rect.topLeft()));
    EXPECT_EQ(d->lineAt(anna.rect.top(), quarter.left(), quarter.right()),
              "Anna Bianchi" + dot + "Controllo");

    // Only the day on the page is drawn; on the two-page week Thursday belongs to the back.
    EXPECT_TRUE(d->texts("Giulia Verdi").isEmpty());
    const SchedulePrintView week = view(PrintLayout::WeekTwoPages);
    EXPECT_TRUE(record(week, 0)->texts("Giulia Verdi").isEmpty());
    EXPECT_EQ(record(week, 1)->texts("Giulia Verdi").size(), 1);
}

TEST_F(PrintTest, textWiderThanItsBoxIsCutWithAnEllipsis)
{
    book(1, "2024-12-02", 540, 15, "Bartolomeo Massimiliano Della Valle", {}, "Igiene orale");
    book(2, "2024-12-02", 540, 30, "Ada Re", {}, "Sbiancamento professionale completo");
    const SchedulePrintView v = view(PrintLayout::WeekOnePage);
    const PageGeometry g(QRectF(QPointF(0, 0), v.pageSize()), 5, 3);
    const auto d = record(v, 0);

    // A cut patient ends in "…" inside the box and the treatment after it is dropped.
    const QRectF box = g.appointmentBox(0, 0, 540, 15);
    const QList<PaintRecord> texts = d->of(PaintRecord::Text);
    const auto cut = std::find_if(texts.begin(), texts.end(),
                                  [](const PaintRecord& r) { return r.text.startsWith("Bart"); });
    ASSERT_NE(cut, texts.end());
    EXPECT_TRUE(cut->text.endsWith(QChar(0x2026))) << cut->text.toStdString();
    EXPECT_LE(rightEdge(*cut), box.right() - 2 + 0.01);
    EXPECT_EQ(d->lineAt(cut->rect.top(), box.left(), box.right()), cut->text);

    // Half an hour on the one-page week has room for two lines; the time and treatment are cut.
    const QRectF half = g.appointmentBox(0, 1, 540, 30);
    const qreal L = PageText(d.get()).lineHeight(TextFace::Regular, g.appointmentTextSize());
    const QString second = d->lineAt(only(*d, "Ada Re").rect.top() + L, half.left(), half.right());
    EXPECT_TRUE(second.startsWith(QStringLiteral("09:00–09:")) && second.endsWith(QChar(0x2026)))
        << second.toStdString();
}

TEST(PageText, lineHeightIsAWholeNumberOfPointsOnEveryDevice)
{
    RecordingDevice points(QSizeF(100, 100));
    QImage fine(10, 10, QImage::Format_RGB32);
    fine.setDotsPerMeterX(int(1200 / 0.0254));
    fine.setDotsPerMeterY(int(1200 / 0.0254));
    const PageText atPoints(&points);
    const PageText atFine(&fine);
    const TextRun run{"Stampato il 04/12/2024", TextFace::Regular, Qt::black};
    for (const qreal size : {6.0, 6.05, 7.0, 9.0, 12.0}) {
        for (const TextFace face : {TextFace::Regular, TextFace::Bold, TextFace::Italic}) {
            const qreal h = atPoints.lineHeight(face, size);
            EXPECT_TRUE(h == std::floor(h) && h >= size) << size << " " << h;
            EXPECT_EQ(atFine.lineHeight(face, size), h);
        }
        // Fractional sizes really are fractional, and widths do not depend on the resolution.
        EXPECT_NEAR(atPoints.width(run, size) / atPoints.width(run, 6), size / 6, 0.002);
        EXPECT_NEAR(atFine.width(run, size), atPoints.width(run, size), 0.01);
    }
}

TEST_F(PrintTest, onAHighResolutionDeviceOnePointStaysOnePoint)
{
    // 4 pixels per point, as a 288 dpi printer would draw it.
    const SchedulePrintView v = view(PrintLayout::WeekOnePage);
    QImage image((v.pageSize() * 4).toSize(), QImage::Format_RGB32);
    image.setDotsPerMeterX(int(std::lround(288 / 0.0254)));
    image.setDotsPerMeterY(int(std::lround(288 / 0.0254)));
    image.fill(Qt::red);
    QPainter painter(&image);
    PrintService::scaleToPoints(painter);
    v.drawPage(painter, 0, QRectF(QPointF(0, 0), v.pageSize()));
    painter.end();

    // The whole printable area is painted, and a day edge sits where the points say.
    const auto dark = [&](qreal xPt, qreal yPt) {
        return qGray(image.pixel(int(xPt * 4), int(yPt * 4))) < 80;
    };
    const PageGeometry g(QRectF(QPointF(0, 0), v.pageSize()), 5, 3);
    EXPECT_NE(image.pixel(image.width() - 1, image.height() - 1), QColor(Qt::red).rgb());
    EXPECT_TRUE(dark(g.columnX(3), 300));
    EXPECT_FALSE(dark(g.columnX(3) + 3, 300));

    // The footer's 6.5-point text is as wide as 6.5 points say.
    const qreal expected = PageText(&image).width({printedAt, TextFace::Regular, Qt::black}, 6.5);
    int left = image.width();
    int right = -1;
    for (int y = int((v.pageSize().height() - 9) * 4); y < image.height(); ++y) {
        for (int x = 0; x < image.width() / 2; ++x) {
            if (qGray(image.pixel(x, y)) < 200) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    EXPECT_NEAR((right - left + 1) / 4.0, expected, expected * 0.03);
}

TEST_F(PrintTest, aClosedDayAFourthDentistAndARetiredColumnPrint)
{
    ASSERT_FALSE(store.addDentist());
    QList<Dentist> dentists = store.dentists();
    dentists[0].name = "Dott.ssa Chiara Bellandi";
    ASSERT_FALSE(store.saveSettings({}, dentists));
    book(4, "2024-12-03", 600, 45, "Paola Neri");
    ASSERT_FALSE(store.retireDentist(2, QDate(2024, 12, 5)));
    // Tuesday closes after Paola Neri was booked: it keeps its dentists' headers, and says it is closed
    // above them.
    ASSERT_FALSE(store.setClosedPeriods({{QDate(2024, 12, 3), QDate(2024, 12, 3), {}},
                                         {QDate(2024, 12, 6), QDate(2024, 12, 6), "Ponte"}}));

    const SchedulePrintView week = view(PrintLayout::WeekOnePage);
    ASSERT_EQ(week.dentists().size(), 4);
    const auto d = record(week, 0);
    // A narrow column keeps the part of the name that tells it apart, the surname first of all.
    EXPECT_EQ(d->texts("4").size(), 4);
    EXPECT_EQ(d->texts("C. Bellandi").size() + d->texts("Bellandi").size(), 4);
    EXPECT_EQ(d->texts("Paola").size(), 1); // a name too wide for a narrow column takes two lines
    EXPECT_EQ(d->texts("Neri").size(), 1);
    const QList<PaintRecord> texts = d->of(PaintRecord::Text);
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [](const PaintRecord& r) {
        return r.text.startsWith(QStringLiteral("Martedì 3 dicembre – "))
            && r.text.endsWith(QStringLiteral("hiuso"));
    }));
    const PageGeometry g(QRectF(QPointF(0, 0), week.pageSize()), 5, 4);
    const PaintRecord closed = only(*d, "Studio chiuso: Ponte");
    EXPECT_GT(closed.rect.left(), g.columnLeft(4, 0));
    EXPECT_LT(rightEdge(closed), g.columnX(20) + 0.01);
    // Shaded: Friday's whole body, and Dentista 2's column on Thursday (and not on Wednesday), on a row
    // the hours' bands leave white.
    const auto shaded = [&](const QRectF& area) {
        const QList<PaintRecord> fills = d->of(PaintRecord::Rect);
        return std::any_of(fills.begin(), fills.end(), [&](const PaintRecord& r) {
            return r.rect.contains(area) && r.brush.color() != QColor(Qt::white);
        });
    };
    const qreal eleven = g.rowTop(8);
    ASSERT_EQ(PageGeometry::rowMinutes(8), 660);
    EXPECT_TRUE(shaded(QRectF(g.columnLeft(4, 0) + 1, eleven, g.columnWidth() * 4 - 2, 1)));
    EXPECT_TRUE(shaded(QRectF(g.columnLeft(3, 1) + 1, eleven, g.columnWidth() - 2, 1)));
    EXPECT_FALSE(shaded(QRectF(g.columnLeft(2, 1) + 1, eleven, g.columnWidth() - 2, 1)));
}

TEST_F(PrintTest, aTelephoneNumberIsPrintedWholeOrNotAtAll)
{
    book(1, "2024-12-02", 540, 60, "Ada Re", "+39 0471 123 456 789", {}, "Portare lastre");
    book(2, "2024-12-02", 540, 60, "Ugo Po", "112");
    const auto d = record(view(PrintLayout::WeekOnePage), 0);
    for (const PaintRecord& text : d->of(PaintRecord::Text))
        EXPECT_FALSE(text.text.startsWith("Tel.") && text.text.endsWith(QChar(0x2026)))
            << text.text.toStdString();
    EXPECT_TRUE(d->texts(QStringLiteral("Tel. +39 0471 123 456 789")).isEmpty());
    EXPECT_EQ(d->texts(QStringLiteral("Portare lastre")).size(), 1); // the notes take its line
    EXPECT_EQ(d->texts(QStringLiteral("Tel. 112")).size(), 1);
}
