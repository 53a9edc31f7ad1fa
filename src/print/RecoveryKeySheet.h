#pragma once

#include <QDate>
#include <QSizeF>
#include <QString>
#include <QStringList>

class QPainter;
class QWidget;

// The recovery key on paper, the only place it is kept: one A4 portrait page with the practice, the day
// the key was made, its fingerprint, its words in a numbered grid, a QR code of the same words and what
// to do with the sheet.
namespace RecoveryKeySheet {

struct Sheet {
    QString studio;
    QDate madeOn;
    QString fingerprint; // of the public half, as the settings show it
    QStringList words;
};

// "Chiave di ripristino dei backup".
[[nodiscard]] QString title();
// The text of the QR code: the words separated by spaces, as they would be typed.
[[nodiscard]] QString qrText(const Sheet& sheet);

// Printable area of the page (A4 portrait, 20 pt margins), in points.
[[nodiscard]] QSizeF pageSize();
// Draws the page with the painter in points, the printable area at the origin.
void drawPage(QPainter& painter, const Sheet& sheet);

// The print preview, whose print button opens the platform's print dialog.
void print(QWidget* parent, const Sheet& sheet);
// The page in a PDF file; false when it cannot be written.
[[nodiscard]] bool writePdf(const Sheet& sheet, const QString& path);

} // namespace RecoveryKeySheet
