#pragma once

#include "Appointment.h"
#include "TextRun.h"

#include <functional>

// What an appointment box on paper says, given how many lines fit in it.
namespace AppointmentText {

// What the box's width allows, measured by the caller.
struct Room {
    // The patient's name as several lines (a narrow column's wrapped name); empty: one line.
    QStringList patientLines;
    // Whether "Tel. " and the number fit whole; if not the telephone is left out (the notes move up).
    bool phoneFits = true;
    // A run's text broken into the lines the box's width holds, at most the given number (the last holds
    // the rest); absent: no text continues on a next line.
    std::function<QStringList(const TextRun&, int maxLines)> wrap;
    // Whether a line fits the box's width whole; absent: the time never goes beside the patient.
    std::function<bool(const TextLine&)> fits;
};

// Whole lines of height lineHeight that fit in a text area of the given height (0 when it is lower).
[[nodiscard]] int capacity(qreal areaHeight, qreal lineHeight);

// Below two lines: one line, the patient in bold followed by " · " and the treatment when there is one.
// Otherwise the first `capacity` of: patient (bold); time range [" · " treatment]; "Tel. " phone when
// present; the notes on one line (italic, secondary colour) when present. Lines that do not fit are
// dropped from the end, so the notes go first, then the telephone.
// A patient given as several lines takes that many lines at the top when the capacity leaves room for
// the time below them. When the lines would not all fit and the box is wide enough, the time and
// treatment go beside the patient's name. Lines the capacity then leaves over go to the notes, then to
// the treatment, each continuing on the lines below as far as it needs.
[[nodiscard]] QList<TextLine> lines(const Appointment& appointment, int capacity, const QColor& ink,
                                    const QColor& secondary, const Room& room = {});

// "Tel. " followed by the telephone number.
[[nodiscard]] QString phoneLine(const QString& phone);

// Notes written on several lines, as one line: every line break becomes a blank.
[[nodiscard]] QString flattened(const QString& notes);

} // namespace AppointmentText
