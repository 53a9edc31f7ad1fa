#pragma once

#include <QPageLayout>
#include <QPrinter>
#include <QSizeF>

// The paper set-up of every print job: A4 (595.28 × 841.89 pt) landscape with 20 pt margins on every
// side, the page layout fixed by the program (it paginates itself), and two-sided printing with
// tumble (binding on the short side) only when asked for.
struct PrintSettings {
    QPageLayout pageLayout;
    QPrinter::DuplexMode duplex = QPrinter::DuplexNone;

    // The printable area in points: the longer paper side less the left and right margins by the shorter
    // side less the top and bottom margins (801.89 × 555.28 for the settings above).
    [[nodiscard]] QSizeF printableSize() const;

    // Puts these settings on a printer (the rest of its settings stay the platform's defaults). Returns
    // false when the printer refused the page layout. A printer without a duplex unit, and Qt's PDF
    // output, keep one-sided printing: read printer.duplex() back to know.
    bool applyTo(QPrinter& printer) const;
};

// The lists printed on their own (the calls to make, a patient's data): A4 portrait with 20 pt margins.
[[nodiscard]] QPageLayout portraitListLayout();
