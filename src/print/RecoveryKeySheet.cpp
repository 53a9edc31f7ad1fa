#include "RecoveryKeySheet.h"

#include "Cal.h"
#include "PrintService.h"
#include "PrintSettings.h"
#include "QrCode.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSaveFile>

namespace {

constexpr int gridColumns = 4;
constexpr qreal wordRowHeight = 24;
constexpr qreal qrSide = 190;
constexpr qreal gap = 14;

const QString warning = QStringLiteral(
    "Con questa chiave si aprono le copie cifrate dei backup dell'agenda. Il programma non la conserva: senza "
    "questo foglio le copie cifrate non si possono aprire, da nessuno.");
const QString instructions = QStringLiteral(
    "Dove conservarlo: in una cassaforte o in un luogo chiuso dello studio o di casa, mai insieme al disco o "
    "nella cartella delle copie. Chi ha il foglio e le copie può leggere l'agenda.\n"
    "Come usarlo: in Calvora scegli File › Ripristina da backup…, apri una copia cifrata e scrivi le parole "
    "nell'ordine (bastano le prime quattro lettere di ognuna) o falle scrivere da un lettore di codici QR. Le "
    "parole di una chiave "
    "nuova non aprono le copie fatte prima: conserva anche i fogli delle chiavi precedenti.");

// A font of `points` on the page: the painter is already scaled to points, and a device resolves a
// point size at its own resolution.
QFont sized(const QPainter& painter, qreal points, bool bold)
{
    const int dpi = painter.device() && painter.device()->logicalDpiY() > 0 ? painter.device()->logicalDpiY() : 72;
    QFont font = painter.font();
    font.setPointSizeF(points * 72.0 / dpi);
    font.setBold(bold);
    return font;
}

// Draws wrapped text from the top of `y` across the page and returns the y below it.
qreal paragraph(QPainter& painter, qreal y, const QString& text)
{
    const QRectF area(0, y, RecoveryKeySheet::pageSize().width(), RecoveryKeySheet::pageSize().height() - y);
    QRectF used;
    painter.drawText(area, int(Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap), text, &used);
    return used.bottom();
}

qreal wordGrid(QPainter& painter, qreal y, const QStringList& words)
{
    const qreal cell = RecoveryKeySheet::pageSize().width() / gridColumns;
    const int rows = int((words.size() + gridColumns - 1) / gridColumns);
    // Numbered down the columns, as the words are read aloud or typed.
    for (int i = 0; i < words.size(); ++i) {
        const QRectF box((i / rows) * cell, y + (i % rows) * wordRowHeight, cell, wordRowHeight);
        painter.setPen(Qt::gray);
        painter.drawText(box.adjusted(4, 0, 0, 0), int(Qt::AlignLeft | Qt::AlignVCenter), QString::number(i + 1) + u'.');
        painter.setPen(Qt::black);
        painter.drawText(box.adjusted(30, 0, 0, 0), int(Qt::AlignLeft | Qt::AlignVCenter), words[i]);
    }
    painter.setPen(Qt::lightGray);
    painter.drawRect(QRectF(0, y - 4, RecoveryKeySheet::pageSize().width(), rows * wordRowHeight + 8));
    painter.setPen(Qt::black);
    return y + rows * wordRowHeight + 4;
}

void render(QPagedPaintDevice& device, const RecoveryKeySheet::Sheet& sheet)
{
    QPainter painter(&device);
    PrintService::scaleToPoints(painter);
    RecoveryKeySheet::drawPage(painter, sheet);
}

} // namespace

namespace RecoveryKeySheet {

QString title()
{
    return QStringLiteral("Chiave di ripristino dei backup");
}

QString qrText(const Sheet& sheet)
{
    return sheet.words.join(u' ');
}

QSizeF pageSize()
{
    return portraitListLayout().paintRect(QPageLayout::Point).size();
}

void drawPage(QPainter& painter, const Sheet& sheet)
{
    const QFont base = painter.font();
    const auto font = [&painter](qreal points, bool bold) { return sized(painter, points, bold); };
    painter.setPen(Qt::black);
    painter.setFont(font(11, false));
    qreal y = paragraph(painter, 0, sheet.studio.isEmpty() ? QStringLiteral("Studio") : sheet.studio);
    painter.setFont(font(18, true));
    y = paragraph(painter, y + 4, title());
    painter.setFont(font(10.5, false));
    y = paragraph(painter, y + 6,
                  QStringLiteral("Creata il ") + Cal::locale().toString(sheet.madeOn, QStringLiteral("d MMMM yyyy"))
                      + QStringLiteral(" \u2013 impronta della chiave: ") + sheet.fingerprint);
    painter.setFont(font(10.5, true));
    y = paragraph(painter, y + gap, warning);
    painter.setFont(font(13, false));
    y = wordGrid(painter, y + gap + 4, sheet.words);
    const QRectF qr((pageSize().width() - qrSide) / 2, y + gap, qrSide, qrSide);
    QrCode::encode(qrText(sheet)).draw(painter, qr);
    painter.setFont(font(9.5, false));
    paragraph(painter, qr.bottom() + gap, instructions);
    painter.setFont(base);
}

void print(QWidget* parent, const Sheet& sheet)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(portraitListLayout());
    printer.setDocName(title());
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(title());
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&sheet](QPrinter* target) { render(*target, sheet); });
    dialog.exec();
}

bool writePdf(const Sheet& sheet, const QString& path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    {
        QPdfWriter writer(&file);
        writer.setPageLayout(portraitListLayout());
        writer.setTitle(title());
        writer.setCreator(QStringLiteral("Calvora"));
        render(writer, sheet);
    }
    return file.size() > 0 && file.commit();
}

} // namespace RecoveryKeySheet
