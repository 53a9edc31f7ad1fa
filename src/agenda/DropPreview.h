#pragma once

#include "Appointment.h"

#include <QRectF>
#include <QString>

class GridGeometry;
class QPainter;
class QPalette;

// Where a dragged appointment would land in a column: the outline of its block at the new place with the
// new time range, drawn above the column's blocks while the drag is over the column.
class DropPreview {
public:
    // `landing`: the dragged appointment at the column's day and dentist and the drop's start. `fits`:
    // nothing the column can see refuses the place (see DentistColumn); the store decides at the drop.
    DropPreview(const Appointment& landing, bool fits) : m_landing(landing), m_fits(fits) {}

    [[nodiscard]] const Appointment& appointment() const { return m_landing; }
    [[nodiscard]] bool fits() const { return m_fits; }
    [[nodiscard]] QRectF rect(const GridGeometry& geometry, double columnWidth) const;
    // The time range ("10:15–11:00"), or the start alone where the range is wider than the outline.
    [[nodiscard]] QString label(const GridGeometry& geometry, double columnWidth) const;
    // A refused place is outlined with dashes and left unfilled.
    void paint(QPainter& painter, const GridGeometry& geometry, double columnWidth,
               const QPalette& palette) const;

    bool operator==(const DropPreview&) const = default;

private:
    Appointment m_landing;
    bool m_fits;
};
