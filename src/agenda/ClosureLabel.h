#pragma once

#include <QList>
#include <QRectF>
#include <QStringList>

#include <optional>
#include <utility>

class QPainter;
class QPalette;

// What a closed column says of its closure, and where: the title ("Chiuso", "Non in attività") and, when
// it fits, the reason, every word whole, in the first free stretch of the column tall enough to hold
// them, so that it never lies under a block. A column too narrow for a word of the title, or without
// such a stretch, says nothing: its grey shade alone tells.
struct ClosureLabel {
    QStringList title;
    QStringList detail;
    QRectF area; // in the column's coordinates

    // `free`: the top and bottom of each free stretch of the column, from the top down.
    [[nodiscard]] static std::optional<ClosureLabel> place(const QString& title, const QString& detail,
                                                          double width, double rowHeight,
                                                          const QList<std::pair<double, double>>& free);
    void paint(QPainter& painter, const QPalette& palette) const;
};
