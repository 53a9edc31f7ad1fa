#pragma once

#include <algorithm>

#include "Appointment.h"
#include "ColumnCells.h"
#include "Schedule.h"

#include <QRectF>

#include <optional>

// All time↔pixel arithmetic of the agenda grid, shared by the header row and the columns so that they
// line up. Units are device-independent pixels (points on macOS).
class GridGeometry {
public:
    static constexpr double timeColumnWidth = 54;
    static constexpr int rowCount = Schedule::slotCount;
    static constexpr double compactRowHeight = 22; // week view
    static constexpr double fullRowHeight = 34;    // day view

    explicit GridGeometry(bool compact) : m_rowHeight(compact ? compactRowHeight : fullRowHeight) {}

    [[nodiscard]] double rowHeight() const { return m_rowHeight; }
    [[nodiscard]] double height() const { return rowCount * m_rowHeight; }

    // The slot under a y inside the column; absent above the first and from the end of the last.
    [[nodiscard]] std::optional<int> slot(double y) const;
    [[nodiscard]] static int slotStart(int slot) { return Schedule::openingMinutes + Schedule::slotMinutes * slot; }
    // The slot that holds a minute of the day, clamped to the first and the last.
    [[nodiscard]] static int slotOf(int minutes)
    {
        return std::clamp((minutes - Schedule::openingMinutes) / Schedule::slotMinutes, 0, rowCount - 1);
    }
    [[nodiscard]] QRectF slotRect(int slot, double columnWidth) const;

    // The block of an appointment: 2 px inset at each side, 1 px free above and below its slots.
    [[nodiscard]] QRectF blockRect(const Appointment& a, double columnWidth) const;

    // The keyboard cursor's frame around a cell: the block of its appointment, or where a block of the
    // free slot would lie.
    [[nodiscard]] QRectF cursorRect(const ColumnCells::Cell& cell, double columnWidth) const;

    // The y of slot line i (1 … 43), at the lower edge of slot i − 1, on the half pixel.
    [[nodiscard]] double lineY(int i) const { return i * m_rowHeight - 0.5; }
    // Lines at whole hours are the strong ones.
    [[nodiscard]] static bool isHourLine(int i) { return slotStart(i) % 60 == 0; }

    // Left edge of column c of count equal columns after the time column, in a row of the given width;
    // columnEdge(count) is the right edge. Rounded so that neighbouring columns tile without gaps.
    [[nodiscard]] static int columnEdge(int c, int count, int width);

private:
    double m_rowHeight;
};
