#include "PageGeometry.h"
#include "PrintFixture.h"
#include "RecordingDevice.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QTimer>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>

namespace {

const QStringList longNames{"Abbondanza Della Valle",  "Maria Grazia Esposito Ferri", "Dott.ssa Chiara Bellandi",
                            "Dott. Giovanni De Santis", "Prof. Marco Lombardi",        "Anna Maria Santoro Galli",
                            "Dott. Pierluigi Castellani", "Francesca Bianchi Moretti"};

std::unique_ptr<RecordingDevice> record(const SchedulePrintView& view, int index)
{
    auto device = std::make_unique<RecordingDevice>(view.pageSize());
    QPainter painter(device.get());
    view.drawPage(painter, index, QRectF(QPointF(0, 0), view.pageSize()));
    return device;
}

// What each dentist's header cell of a page says (its lines joined by a blank), day after day, left to right:
// the texts between the day bands and the first time of the grid.
QStringList headerCells(const SchedulePrintView& view, int index, const RecordingDevice& d)
{
    const qsizetype days = view.pages()[index].size();
    const PageGeometry g(QRectF(QPointF(0, 0), view.pageSize()), int(days), int(view.dentists().size()));
    const qreal firstTime = d.texts("09:00").value(0).rect.top();
    QList<PaintRecord> texts = d.of(PaintRecord::Text);
    std::sort(texts.begin(), texts.end(),
              [](const PaintRecord& a, const PaintRecord& b) { return a.rect.top() < b.rect.top(); });
    QStringList cells(g.columns());
    for (const PaintRecord& t : texts) {
        if (t.rect.top() <= g.gridTop() + PageGeometry::dayBandHeight || t.rect.top() >= firstTime - 3)
            continue;
        QString& cell = cells[int((t.rect.left() - g.gridLeft()) / g.columnWidth())];
        cell += (cell.isEmpty() ? "" : " ") + t.text;
    }
    return cells;
}

} // namespace

class ManyDentists : public PrintTest {
protected:
    void practice(const QStringList& names)
    {
        while (store.dentists().size() < names.size())
            ASSERT_FALSE(store.addDentist());
        QList<Dentist> dentists = store.dentists();
        for (qsizetype i = 0; i < names.size(); ++i)
            dentists[i].name = names[i];
        ASSERT_FALSE(store.saveSettings("Studio", dentists));
    }
};

// One rule for a page's headers: all names as written, or all in the same shorter form; shortened names
// come with a legend of the names as written.
TEST_F(ManyDentists, theHeadersOfAPageFollowOneRuleAndAShortenedOneHasALegend)
{
    const auto d3 = record(view(PrintLayout::WeekOnePage), 0);
    EXPECT_EQ(d3->texts("Dentista 2").size(), 5);
    EXPECT_TRUE(d3->texts("Dentisti:").isEmpty());

    practice({"Abbondanza Della Valle", "Maria Grazia Esposito Ferri", "Dott.ssa Chiara Bellandi", "Dentista 4"});
    const SchedulePrintView week = view(PrintLayout::WeekOnePage);
    ASSERT_EQ(week.pageCount(), 1);
    const auto d = record(week, 0);
    const QList<QStringList> rules{
        {"Abbondanza Della Valle", "Maria Grazia Esposito Ferri", "Dott.ssa Chiara Bellandi", "Dentista 4"},
        {"A. Della Valle", "M. G. E. Ferri", "C. Bellandi", "Dentista 4"},
        {"Della Valle", "Ferri", "Bellandi", "4"},
        {"1", "2", "3", "4"}};
    const QStringList cells = headerCells(week, 0, *d);
    const QStringList monday = cells.mid(0, 4);
    EXPECT_TRUE(rules.mid(1).contains(monday)) << monday.join(" | ").toStdString();
    for (int day = 1; day < 5; ++day)
        EXPECT_EQ(cells.mid(day * 4, 4), monday) << day;
    for (const Dentist& dentist : week.dentists()) // in the legend
        EXPECT_EQ(d->texts(dentist.name).size(), 1) << dentist.name.toStdString();
    EXPECT_EQ(d->texts("Dentisti:").size(), 1);
}

// Six dentists and more: the one-page week prints Monday–Wednesday and Thursday–Friday on two pages (not
// named front and back), the dialog says so, and no header is an initial or a name cut short.
TEST_F(ManyDentists, sixOrMoreDentistsPrintTheWeekReadablyOnTwoPages)
{
    practice(longNames.mid(0, 5));
    EXPECT_EQ(view(PrintLayout::WeekOnePage).pageCount(), 1);
    EXPECT_TRUE(PrintService::layoutNote(store, PrintLayout::WeekOnePage).isEmpty());

    static const QRegularExpression initial(QStringLiteral("^\\p{L}\\.?$|\\b\\p{L}\\."));
    for (const int count : {6, 8}) {
        SCOPED_TRACE(count);
        practice(longNames.mid(0, count));
        const SchedulePrintView week = view(PrintLayout::WeekOnePage);
        ASSERT_EQ(week.pageCount(), 2);
        EXPECT_EQ(week.pages()[0].size(), 3);
        EXPECT_EQ(week.pages()[1].first(), QDate(2024, 12, 5));
        for (int page = 0; page < 2; ++page) {
            const auto d = record(week, page);
            EXPECT_EQ(d->texts(week.title()).size(), 1);
            EXPECT_EQ(d->texts(QStringLiteral("Pagina %1 di 2").arg(page + 1)).size(), 1);
            for (const QString& cell : headerCells(week, page, *d)) {
                EXPECT_FALSE(cell.isEmpty());
                EXPECT_FALSE(cell.contains(initial) || cell.endsWith(QChar(0x2026))) << cell.toStdString();
            }
            if (!longNames.contains(headerCells(week, page, *d).first())) {
                EXPECT_EQ(d->texts(longNames[count - 1]).size(), 1);
            }
        }
        QTemporaryDir dir;
        PrintService::answerNextPrintToPdf(dir.filePath("week.pdf"));
        PrintService::print(nullptr, store, PrintLayout::WeekOnePage, false);
        const QList<PrintService::StartedJob> jobs = PrintService::takeStartedJobs();
        ASSERT_EQ(jobs.size(), 1);
        EXPECT_EQ(jobs[0].pageCount, 2);
        EXPECT_EQ(jobs[0].note, PrintService::layoutNote(store, PrintLayout::WeekOnePage));
        EXPECT_TRUE(jobs[0].note.startsWith(QStringLiteral("Con sei o più dentisti")));
    }

    // The print dialog says it above the preview.
    QString shown;
    QTimer::singleShot(0, [&shown] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QPrintPreviewDialog*>(window)) {
                if (auto* label = dialog->findChild<QLabel*>("layoutNote"))
                    shown = label->text();
                dialog->reject();
            }
        }
    });
    PrintService::print(nullptr, store, PrintLayout::WeekOnePage, false);
    EXPECT_EQ(PrintService::takeStartedJobs().size(), 1);
    EXPECT_EQ(shown, PrintService::layoutNote(store, PrintLayout::WeekOnePage));
}

// The day print gives a long note the lines its box has, and cuts it only where they run out.
TEST_F(ManyDentists, aLongNoteInTheDayPrintRunsOverTheLinesOfItsBox)
{
    const QString note = "Allergia alla penicillina e al lattice: usare guanti in nitrile, anestetico senza "
                         "adrenalina, avvisare il medico curante prima di ogni estrazione, misurare la pressione "
                         "prima di iniziare e tenere a portata di mano il farmaco di emergenza del paziente.";
    book(1, "2024-12-04", 540, 60, "Mario Rossi", {}, "Otturazione", note);
    book(2, "2024-12-04", 540, 120, "Ada Re", {}, {}, "Portare le lastre");
    const SchedulePrintView day = view(PrintLayout::Day);
    const auto d = record(day, 0);
    const PageGeometry g(QRectF(QPointF(0, 0), day.pageSize()), 1, 3);
    const QRectF box = g.appointmentBox(0, 0, 540, 60);

    QList<qreal> baselines;
    for (const PaintRecord& t : d->of(PaintRecord::Text))
        if (box.contains(t.rect.topLeft()) && !baselines.contains(t.rect.top()))
            baselines.append(t.rect.top());
    std::sort(baselines.begin(), baselines.end());
    QStringList lines;
    for (const qreal baseline : baselines)
        lines.append(d->lineAt(baseline, box.left(), box.right()));
    ASSERT_GE(lines.size(), 3) << lines.join('|').toStdString(); // the appointment, then the note
    EXPECT_TRUE(lines[0].startsWith("Mario Rossi") && lines[0].contains("Otturazione")) << lines[0].toStdString();
    QStringList noteLines = lines.mid(1);
    EXPECT_TRUE(noteLines.last().endsWith(QChar(0x2026)));
    noteLines.last().chop(1);
    EXPECT_TRUE(note.startsWith(noteLines.join(' '))) << noteLines.join('|').toStdString();
    for (const PaintRecord& t : d->of(PaintRecord::Text)) {
        if (box.contains(t.rect.topLeft())) {
            EXPECT_LE(t.rect.left() + t.rect.width(), box.right() - 2 + 0.01) << t.text.toStdString();
        }
    }
    EXPECT_EQ(d->texts("Portare le lastre").size(), 1); // a short note is not cut up
}
