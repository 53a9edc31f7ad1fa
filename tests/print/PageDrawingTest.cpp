#include "Color.h"
#include "PageGeometry.h"
#include "PageText.h"
#include "PrintFixture.h"
#include "RecordingDevice.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <memory>

namespace {

std::unique_ptr<RecordingDevice> record(const SchedulePrintView& view, int index)
{
    auto device = std::make_unique<RecordingDevice>(view.pageSize());
    QPainter painter(device.get());
    view.drawPage(painter, index, QRectF(QPointF(0, 0), view.pageSize()));
    return device;
}

bool isGrey(const QColor& color, qreal level)
{
    return std::abs(color.redF() - level) < 0.003 && std::abs(color.greenF() - level) < 0.003
           && std::abs(color.blueF() - level) < 0.003 && color.alpha() == 255;
}

qreal rightEdge(const PaintRecord& text)
{
    return text.rect.left() + text.rect.width();
}

} // namespace

TEST_F(PrintTest, frontAndBackAreNamedAndNumberedOnlyOnMultiPageJobs)
{
    const SchedulePrintView two = view(PrintLayout::WeekTwoPages);
    const qreal width = two.pageSize().width();
    const qreal height = two.pageSize().height();
    const QString title = QStringLiteral("Settimana 2 – 6 dicembre 2024");
    const QString dash = QStringLiteral("  \u2014  ");
    const QString pageLabels[] = {"Fronte", "Retro"};
    for (int page = 0; page < 2; ++page) {
        SCOPED_TRACE(page);
        const auto d = record(two, page);
        const QList<PaintRecord> heading = d->texts(title + dash + pageLabels[page]);
        ASSERT_EQ(heading.size(), 1);
        EXPECT_TRUE(heading[0].bold);
        EXPECT_NEAR(heading[0].size, 11, 1e-6);
        EXPECT_NEAR(rightEdge(heading[0]), width, 0.01);

        const QList<PaintRecord> number = d->texts(QStringLiteral("Pagina %1 di 2").arg(page + 1));
        ASSERT_EQ(number.size(), 1);
        EXPECT_NEAR(rightEdge(number[0]), width, 0.01);
        EXPECT_NEAR(number[0].size, 6.5, 1e-6);
        EXPECT_TRUE(isGrey(number[0].pen.color(), 0.35));
        EXPECT_GT(number[0].rect.top(), height - 9);
        EXPECT_LT(number[0].rect.top(), height);

        const QList<PaintRecord> printed = d->texts("Stampato il 04/12/2024 alle 10:00");
        ASSERT_EQ(printed.size(), 1);
        EXPECT_NEAR(printed[0].rect.left(), 0, 1e-9);
        EXPECT_NEAR(printed[0].rect.top(), number[0].rect.top(), 1e-9);
    }

    for (const PrintLayout layout : {PrintLayout::WeekOnePage, PrintLayout::Day}) {
        const SchedulePrintView single = view(layout);
        const auto d = record(single, 0);
        EXPECT_EQ(d->texts(single.title()).size(), 1);
        EXPECT_EQ(d->texts("Stampato il 04/12/2024 alle 10:00").size(), 1);
        for (const PaintRecord& text : d->of(PaintRecord::Text)) {
            EXPECT_FALSE(text.text.contains(QChar(0x2014))) << text.text.toStdString();
            EXPECT_FALSE(text.text.startsWith("Pagina")) << text.text.toStdString();
        }
    }
}

TEST_F(PrintTest, rowsAreShadedOnEvenHoursAndRuledInTwoWeights)
{
    const SchedulePrintView v = view(PrintLayout::WeekOnePage);
    const PageGeometry g(QRectF(QPointF(0, 0), v.pageSize()), 5, 3);
    const auto d = record(v, 0);

    QList<qreal> shaded;
    for (const PaintRecord& r : d->of(PaintRecord::Rect)) {
        if (isGrey(r.brush.color(), 0.955)) {
            shaded.append(r.rect.top());
            EXPECT_NEAR(r.rect.left(), 0, 1e-9);
            EXPECT_NEAR(r.rect.width(), v.pageSize().width(), 1e-9);
            EXPECT_NEAR(r.rect.height(), g.rowHeight(), 1e-9);
        }
    }
    ASSERT_EQ(shaded.size(), 20); // four rows each of 10, 12, 14, 16 and 18 o'clock
    EXPECT_NEAR(shaded.first(), g.rowTop(4), 1e-9);
    EXPECT_NEAR(shaded.last(), g.rowTop(39), 1e-9);

    QList<qreal> rules;
    int hours = 0;
    int quarters = 0;
    int dayEdges = 0;
    int dentistEdges = 0;
    int timeEdge = 0;
    for (const PaintRecord& r : d->of(PaintRecord::Line)) {
        const QLineF& l = r.line;
        const qreal w = r.pen.widthF();
        if (l.dy() == 0) {
            EXPECT_NEAR(l.x2(), v.pageSize().width(), 1e-9);
            rules.append(l.y1());
            if (w == 0.6 && l.x1() == 0 && isGrey(r.pen.color(), 0.45))
                ++hours;
            else if (w == 0.25 && l.x1() == 30 && isGrey(r.pen.color(), 0.75))
                ++quarters;
        } else if (l.dx() == 0) {
            EXPECT_NEAR(std::max(l.y1(), l.y2()), g.bodyBottom(), 1e-9);
            if (w == 1.2 && l.y1() == 24 && r.pen.color() == QColor(Qt::black))
                ++dayEdges;
            else if (w == 0.4 && l.y1() == 39 && isGrey(r.pen.color(), 0.55))
                ++dentistEdges;
            else if (w == 0.6 && l.x1() == 0 && l.y1() == 51 && isGrey(r.pen.color(), 0.45))
                ++timeEdge;
        }
    }
    ASSERT_EQ(rules.size(), 44);
    for (int i = 0; i < 44; ++i)
        EXPECT_NEAR(rules[i], g.rowTop(i), 1e-9) << i;
    EXPECT_EQ(hours, 11);    // 09:00 … 19:00
    EXPECT_EQ(quarters, 33); // the other quarters, down to the body bottom at 19:45
    EXPECT_EQ(dayEdges, 6);
    EXPECT_EQ(dentistEdges, 10);
    EXPECT_EQ(timeEdge, 1);
    EXPECT_EQ(hours + quarters + dayEdges + dentistEdges + timeEdge, d->of(PaintRecord::Line).size());

    const QList<PaintRecord> nine = d->texts("09:00");
    ASSERT_EQ(nine.size(), 1);
    EXPECT_TRUE(nine[0].bold);
    EXPECT_NEAR(nine[0].size, 7, 1e-6);
    EXPECT_EQ(nine[0].pen.color(), QColor(Qt::black));
    EXPECT_NEAR(rightEdge(nine[0]), 26, 0.01);
    EXPECT_GT(nine[0].rect.top(), g.rowTop(0));
    EXPECT_LT(nine[0].rect.top(), g.rowTop(1));
    for (const char* quarter : {"09:15", "09:30", "09:45"}) {
        const QList<PaintRecord> label = d->texts(quarter);
        ASSERT_EQ(label.size(), 1) << quarter;
        EXPECT_FALSE(label[0].bold);
        EXPECT_NEAR(label[0].size, 6, 1e-6);
        EXPECT_TRUE(isGrey(label[0].pen.color(), 0.35));
        EXPECT_NEAR(rightEdge(label[0]), 26, 0.01);
    }
    EXPECT_EQ(d->texts("19:30").size(), 1);
    EXPECT_TRUE(d->texts("19:45").isEmpty());
}

TEST_F(PrintTest, dayAndDentistHeadersSpanTheirColumns)
{
    QList<Dentist> dentists = store.dentists();
    dentists[1].colorHex = "#336699";
    ASSERT_FALSE(store.saveSettings("Studio Rossi", dentists));
    const SchedulePrintView v = view(PrintLayout::WeekOnePage);
    const PageGeometry g(QRectF(QPointF(0, 0), v.pageSize()), 5, 3);
    const auto d = record(v, 0);

    const QList<PaintRecord> studio = d->texts("Studio Rossi");
    ASSERT_EQ(studio.size(), 1);
    EXPECT_NEAR(studio[0].size, 12, 1e-6);
    EXPECT_NEAR(studio[0].rect.left(), 0, 1e-9);

    const QStringList days{QStringLiteral("Lunedì 2 dicembre"), QStringLiteral("Martedì 3 dicembre"),
                           QStringLiteral("Mercoledì 4 dicembre"), QStringLiteral("Giovedì 5 dicembre"),
                           QStringLiteral("Venerdì 6 dicembre")};
    for (int day = 0; day < 5; ++day) {
        const QList<PaintRecord> label = d->texts(days[day]);
        ASSERT_EQ(label.size(), 1) << day;
        EXPECT_TRUE(label[0].bold);
        EXPECT_NEAR(label[0].size, 9, 1e-6);
        EXPECT_NEAR(label[0].rect.left() + label[0].rect.width() / 2, g.dayBand(day).center().x(), 0.01);
        EXPECT_GT(label[0].rect.top(), 24);
        EXPECT_LT(label[0].rect.top(), 39);
    }

    const QList<PaintRecord> names = d->texts(dentists[1].name);
    ASSERT_EQ(names.size(), 5);
    EXPECT_NEAR(names[0].size, 6.05, 0.01);
    EXPECT_NEAR(names[0].rect.left() + names[0].rect.width() / 2, g.dentistCell(0, 1).center().x(), 0.01);
    int tinted = 0;
    for (const PaintRecord& r : d->of(PaintRecord::Rect)) {
        const QColor c = r.brush.color();
        if (c.rgb() == colorFromHex("#336699").rgb() && std::abs(c.alphaF() - 0.25) < 0.01) {
            EXPECT_EQ(r.rect, g.dentistCell(tinted, 1));
            ++tinted;
        }
    }
    EXPECT_EQ(tinted, 5);

    // Fewer columns: dentist names stop at 8 points.
    const auto front = record(view(PrintLayout::WeekTwoPages), 0);
    EXPECT_NEAR(front->texts(dentists[1].name).first().size, 8, 1e-6);
}

TEST_F(PrintTest, appointmentBoxesHoldAsManyLinesAsFit)
{
    store.setAnchor(QDate(2024, 12, 2));
    book(1, "2024-12-02", 540, 120, "Mario Rossi", "333 1234567", "Igiene orale", "Portare\nle lastre");
    book(2, "2024-12-02", 600, 15, "Anna Bianchi", {}, "Controllo");
    book(3, "2024-12-02", 660, 30, "Luca Neri");
    book(1, "2024-12-05", 540, 30, "Giulia Verdi");
    const SchedulePrintView v = view(PrintLayout::Day);
    const PageGeometry g(QRectF(QPointF(0, 0), v.pageSize()), 1, 3);
    const auto d = record(v, 0);
    const qreal L = PageText(d.get()).lineHeight(TextFace::Regular, 9);
    const QString dot = QStringLiteral(" \u00B7 ");

    // Two hours at 9 points: all four lines, one below the other from the top of the text area.
    const QRectF box = g.appointmentBox(0, 0, 540, 120);
    const QList<PaintRecord> patient = d->texts("Mario Rossi");
    ASSERT_EQ(patient.size(), 1);
    EXPECT_TRUE(patient[0].bold);
    EXPECT_NEAR(patient[0].size, 9, 1e-6);
    EXPECT_NEAR(patient[0].rect.left(), box.left() + 2, 1e-9);
    const qreal ascent = patient[0].rect.top() - (box.top() + 0.5);
    EXPECT_GT(ascent, 0);
    EXPECT_LT(ascent, L);
    EXPECT_EQ(d->lineAt(patient[0].rect.top() + L, box.left(), box.right()),
              "09:00–11:00" + dot + "Igiene orale");
    EXPECT_EQ(d->lineAt(patient[0].rect.top() + 2 * L, box.left(), box.right()), "Tel. 333 1234567");
    const QList<PaintRecord> notes = d->texts("Portare le lastre");
    ASSERT_EQ(notes.size(), 1);
    EXPECT_TRUE(notes[0].italic);
    EXPECT_TRUE(isGrey(notes[0].pen.color(), 0.35));
    EXPECT_NEAR(notes[0].rect.top(), patient[0].rect.top() + 3 * L, 1e-9);

    // The box: white, then the dentist's colour at 0.2, then its outline.
    QList<PaintRecord> layers;
    for (const PaintRecord& r : d->of(PaintRecord::Path)) {
        if (std::abs(r.rect.top() - box.top()) < 0.01 && std::abs(r.rect.left() - box.left()) < 0.01)
            layers.append(r);
    }
    ASSERT_EQ(layers.size(), 3);
    EXPECT_NEAR(layers[0].rect.height(), box.height(), 0.01);
    EXPECT_NEAR(layers[0].rect.width(), box.width(), 0.01);
    EXPECT_EQ(layers[0].brush.color(), QColor(Qt::white));
    const QColor colour = colorFromHex(v.dentists()[0].colorHex);
    EXPECT_EQ(layers[1].brush.color().rgb(), colour.rgb());
    EXPECT_NEAR(layers[1].brush.color().alphaF(), 0.2, 0.01);
    EXPECT_EQ(layers[2].brush.style(), Qt::NoBrush);
    EXPECT_EQ(layers[2].pen.color(), colour);
    EXPECT_DOUBLE_EQ(layers[2].pen.widthF(), 0.8);

    // A quarter hour: one line centred on the box, patient then treatment.
    const QRectF quarter = g.appointmentBox(0, 1, 600, 15);
    const QList<PaintRecord> anna = d->texts("Anna Bianchi");
    ASSERT_EQ(anna.size(), 1);
    EXPECT_NEAR(anna[0].rect.top(), quarter.center().y() - L / 2 + ascent, 1e-9);
    EXPECT_EQ(d->lineAt(anna[0].rect.top(), quarter.left(), quarter.right()),
              "Anna Bianchi" + dot + "Controllo");

    // Half an hour at 9 points holds one line; without a treatment it is the patient alone.
    const QRectF half = g.appointmentBox(0, 2, 660, 30);
    const QList<PaintRecord> luca = d->texts("Luca Neri");
    ASSERT_EQ(luca.size(), 1);
    EXPECT_NEAR(luca[0].rect.top(), half.center().y() - L / 2 + ascent, 1e-9);
    EXPECT_EQ(d->lineAt(luca[0].rect.top(), half.left(), half.right()), "Luca Neri");

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

    const QRectF box = g.appointmentBox(0, 0, 540, 15);
    bool found = false;
    for (const PaintRecord& r : d->of(PaintRecord::Text)) {
        if (!r.text.startsWith("Bart"))
            continue;
        found = true;
        EXPECT_TRUE(r.text.endsWith(QChar(0x2026))) << r.text.toStdString();
        EXPECT_LE(rightEdge(r), box.right() - 2 + 0.01);
        // The treatment after a cut patient is dropped.
        EXPECT_EQ(d->lineAt(r.rect.top(), box.left(), box.right()), r.text);
    }
    EXPECT_TRUE(found);

    // Half an hour on the one-page week has room for two lines; the time and treatment are cut.
    const QRectF half = g.appointmentBox(0, 1, 540, 30);
    ASSERT_EQ(d->texts("Ada Re").size(), 1);
    const PaintRecord ada = d->texts("Ada Re").first();
    const qreal L = PageText(d.get()).lineHeight(TextFace::Regular, g.appointmentTextSize());
    const QString second = d->lineAt(ada.rect.top() + L, half.left(), half.right());
    EXPECT_TRUE(second.startsWith(QStringLiteral("09:00–09:"))) << second.toStdString();
    EXPECT_TRUE(second.endsWith(QChar(0x2026)));
}

TEST_F(PrintTest, aFailedFetchSilentlyPrintsEmptyGrids)
{
    book(1, "2024-12-02", 600, 30, "Mario Rossi");
    db.execute("ALTER TABLE appointments RENAME TO elsewhere");
    const SchedulePrintView v = view(PrintLayout::WeekOnePage);
    EXPECT_TRUE(v.appointments().isEmpty());
    EXPECT_FALSE(store.alertMessage());
    const auto d = record(v, 0);
    EXPECT_TRUE(d->of(PaintRecord::Path).isEmpty());
    EXPECT_TRUE(d->texts("Mario Rossi").isEmpty());
    EXPECT_EQ(d->texts(QStringLiteral("Lunedì 2 dicembre")).size(), 1);
    EXPECT_EQ(d->of(PaintRecord::Line).size(), 44 + 16 + 1);
}

TEST(PageText, lineHeightIsAWholeNumberOfPointsOnEveryDevice)
{
    RecordingDevice points(QSizeF(100, 100));
    QImage fine(10, 10, QImage::Format_RGB32);
    fine.setDotsPerMeterX(int(1200 / 0.0254));
    fine.setDotsPerMeterY(int(1200 / 0.0254));
    const PageText atPoints(&points);
    const PageText atFine(&fine);
    for (const qreal size : {6.0, 6.05, 6.5, 7.0, 9.0, 12.0}) {
        for (const TextFace face :
             {TextFace::Regular, TextFace::Bold, TextFace::Italic, TextFace::DigitsBold}) {
            const qreal h = atPoints.lineHeight(face, size);
            EXPECT_EQ(h, std::floor(h));
            const QFontMetricsF m(atPoints.layoutFont(face, size), &points);
            const qreal exact = (m.ascent() + m.descent() + m.leading()) / PageText::layoutScale;
            EXPECT_GE(h, exact - 1e-6);
            EXPECT_LT(h, exact + 1);
            EXPECT_EQ(atFine.lineHeight(face, size), h);
        }
        // Fractional sizes really are fractional: 6.05 is wider than 6, as wide as 6 × 1.0083.
        const TextRun run{"Stampato il 04/12/2024", TextFace::Regular, Qt::black};
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

    const auto dark = [&](qreal xPt, qreal yPt) {
        return qGray(image.pixel(int(xPt * 4), int(yPt * 4))) < 80;
    };
    const PageGeometry g(QRectF(QPointF(0, 0), v.pageSize()), 5, 3);
    // The whole printable area is painted, and the day edges sit where the points say.
    EXPECT_NE(image.pixel(image.width() - 1, image.height() - 1), QColor(Qt::red).rgb());
    EXPECT_TRUE(dark(30, 300));
    EXPECT_TRUE(dark(g.columnX(3), 300));
    EXPECT_TRUE(dark(g.columnX(15) - 0.3, 300));
    EXPECT_FALSE(dark(g.columnX(3) + 3, 300));

    // The footer's 6.5-point text is as wide and as tall as 6.5 points say.
    const QString footer = "Stampato il 04/12/2024 alle 10:00";
    const qreal expected = PageText(&image).width({footer, TextFace::Regular, Qt::black}, 6.5);
    int left = image.width();
    int right = -1;
    int top = image.height();
    int bottom = -1;
    for (int y = int((v.pageSize().height() - 9) * 4); y < image.height(); ++y) {
        for (int x = 0; x < image.width() / 2; ++x) {
            if (qGray(image.pixel(x, y)) < 200) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    ASSERT_GE(right, 0);
    EXPECT_NEAR((right - left + 1) / 4.0, expected, expected * 0.03);
    const qreal inkHeight = (bottom - top + 1) / 4.0; // from the tallest letter to the descender of "p"
    EXPECT_GT(inkHeight, 6.5 * 0.8);
    EXPECT_LT(inkHeight, 6.5 * 1.2);
}
