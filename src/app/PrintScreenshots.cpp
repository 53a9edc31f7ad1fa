#include "PrintScreenshots.h"

#include "Database.h"
#include "DemoData.h"
#include "PrintService.h"
#include "SqliteArchive.h"
#include "Store.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextStream>

#include <cmath>
#include <memory>

namespace {

constexpr int pixelsPerPoint = 2;

const QStringList longNames{
    QStringLiteral("Abbondanza Della Valle"),      QStringLiteral("Maria Grazia Esposito Ferri"),
    QStringLiteral("Dott.ssa Chiara Bellandi"),    QStringLiteral("Dott. Giovanni De Santis"),
    QStringLiteral("Prof. Marco Lombardi"),        QStringLiteral("Anna Maria Santoro Galli"),
    QStringLiteral("Dott. Pierluigi Castellani"),  QStringLiteral("Francesca Bianchi Moretti"),
};

// A sheet of A4 paper with the page drawn in its printable area, as a printer would put it.
QImage sheet(const SchedulePrintView& view, int index, const QMarginsF& margins)
{
    const QSizeF paper = view.pageSize().grownBy(margins);
    QImage image((paper * pixelsPerPoint).toSize(), QImage::Format_RGB32);
    const int dotsPerMeter = int(std::lround(72.0 * pixelsPerPoint / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    QPainter painter(&image);
    PrintService::scaleToPoints(painter);
    view.drawPage(painter, index, QRectF(QPointF(margins.left(), margins.top()), view.pageSize()));
    return image;
}

// A scratch practice of `count` dentists with long names and a demonstration week.
bool prepare(Store& store, int count)
{
    while (store.dentists().size() < count)
        if (store.addDentist())
            return false;
    QList<Dentist> dentists = store.dentists();
    for (qsizetype i = 0; i < dentists.size(); ++i)
        dentists[i].name = longNames.value(i, dentists[i].name);
    if (store.saveSettings(QStringLiteral("Studio Dentistico Associato"), dentists))
        return false;
    DemoData::seed(store);
    return true;
}

} // namespace

namespace PrintScreenshots {

bool write(const QString& folder)
{
    bool ok = true;
    for (const int count : {4, 6, 8}) {
        QTemporaryDir scratch;
        if (!scratch.isValid()) {
            ok = false;
            continue;
        }
        SqliteArchive archive(std::make_unique<Database>(scratch.filePath(QStringLiteral("agenda.sqlite"))));
        Store store(archive);
        if (!prepare(store, count)) {
            ok = false;
            continue;
        }
        const PrintSettings settings = PrintService::makePrintInfo(false);
        const SchedulePrintView view = PrintService::makeView(store, PrintLayout::WeekOnePage, settings);
        const QString base = folder + QStringLiteral("/stampa-settimana-%1-dentisti").arg(count);
        for (int page = 0; page < view.pageCount(); ++page) {
            const QString path = base
                                 + (view.pageCount() > 1 ? QStringLiteral("-pagina-%1").arg(page + 1) : QString())
                                 + QStringLiteral(".png");
            const bool saved = sheet(view, page, settings.pageLayout.margins(QPageLayout::Point)).save(path);
            QTextStream(saved ? stdout : stderr) << (saved ? "" : "Impossibile scrivere ") << path << '\n';
            ok &= saved;
        }
    }
    return ok;
}

} // namespace PrintScreenshots
