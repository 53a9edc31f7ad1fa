#include "PrintSettings.h"

#include <algorithm>

QSizeF PrintSettings::printableSize() const
{
    // A4 is defined in millimetres; Qt's point sizes are whole points, the paper's are not.
    const QSizeF paper = pageLayout.pageSize().size(QPageSize::Millimeter) * (72.0 / 25.4);
    const QMarginsF margins = pageLayout.margins(QPageLayout::Point);
    const qreal longer = std::max(paper.width(), paper.height());
    const qreal shorter = std::min(paper.width(), paper.height());
    return {longer - margins.left() - margins.right(), shorter - margins.top() - margins.bottom()};
}

bool PrintSettings::applyTo(QPrinter& printer) const
{
    printer.setFullPage(false);
    const bool accepted = printer.setPageLayout(pageLayout);
    printer.setDuplex(duplex);
    return accepted;
}

QPageLayout portraitListLayout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 20, 20, 20), QPageLayout::Point);
}
