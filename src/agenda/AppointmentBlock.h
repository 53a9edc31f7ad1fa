#pragma once

#include "Appointment.h"
#include "DayStatus.h"

#include <QColor>
#include <QPainterPath>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <optional>

class QMimeData;
class QPainter;
class QPalette;

// One appointment as a coloured box inside its dentist's column. The column places it, paints it and
// routes the mouse to it; the block itself holds no state beyond what it shows. Its status shows as a
// mark at the end of its first line (a check for "Confermato", a filled dot for "Arrivato", a cross for
// "Non presentato", which also mutes the whole block); "Da confermare" is the plain block.
class AppointmentBlock {
public:
    AppointmentBlock(const Appointment& appointment, const QColor& color, bool compact, const QRectF& rect,
                     AppointmentStatus status = AppointmentStatus::ToConfirm);

    [[nodiscard]] const Appointment& appointment() const { return m_appointment; }
    [[nodiscard]] AppointmentStatus status() const { return m_status; }
    [[nodiscard]] const QRectF& rect() const { return m_rect; }
    // Inside the rounded shape (the block answers the mouse there only).
    [[nodiscard]] bool contains(const QPointF& point) const;
    void paint(QPainter& painter, const QPalette& palette) const;

    // A single 15-minute slot gets the one-line layout.
    [[nodiscard]] static bool isShort(const Appointment& a) { return a.durationMinutes < 16; }
    // Time range, two blanks, patient; then "con " + the dentist's name when given; then the status when
    // given, treatment, "Tel. " + phone and notes when present.
    [[nodiscard]] static QString toolTip(const Appointment& a, const QString& dentistName = QString(),
                                         std::optional<AppointmentStatus> status = std::nullopt);
    // What a week-view block narrower than its time range (a small window) shows instead of the day's
    // usual two lines: the patient (on two lines, first word then the rest, when the name is too wide
    // and the block tall enough) and the start with the treatment. Empty when the usual lines fit.
    struct NarrowText {
        QStringList patient;
        QString detail;
    };
    [[nodiscard]] static NarrowText narrowWeekText(const Appointment& a, double width, double height);
    // The lines a day-view block shows of a text (the notes): broken where the user broke them and to
    // fit `width`, at most maxLines, the last one cut with "…" when more would follow.
    [[nodiscard]] static QStringList wrappedLines(const QString& text, const QFont& font, double width, int maxLines);
    // The drag payload: the id in decimal digits, as plain text. The caller owns the result.
    [[nodiscard]] static QMimeData* dragPayload(const Appointment& a);

    static constexpr double cornerRadius = 5;

private:
    // Background, tint, left bar and outline of a block in `rect`.
    static void paintChrome(QPainter& painter, const QRectF& rect, const QColor& color, const QColor& background);
    // The same from a picture shared by all blocks of this size and colour; false where a picture
    // would not land on whole pixels (the caller then draws).
    bool paintCachedChrome(QPainter& painter, const QPalette& palette) const;
    void paintShort(QPainter& painter, const QPalette& palette, const QRectF& content) const;
    void paintTall(QPainter& painter, const QPalette& palette, const QRectF& content) const;
    // The status mark at the right of the first line, which starts at `top` and is `lineHeight` tall.
    void paintMark(QPainter& painter, const QPalette& palette, const QRectF& content, double top,
                   double lineHeight) const;
    // The room the mark takes from the first line (none for the plain block).
    [[nodiscard]] double markRoom() const;

    Appointment m_appointment;
    QColor m_color;
    bool m_compact;
    QRectF m_rect;
    AppointmentStatus m_status;
    mutable std::optional<QPainterPath> m_shape;
};
