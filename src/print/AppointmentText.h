#pragma once

#include "Appointment.h"
#include "TextRun.h"

// What an appointment box on paper says, given how many lines fit in it.
namespace AppointmentText {

// Whole lines of height lineHeight that fit in a text area of the given height (0 when it is lower).
[[nodiscard]] int capacity(qreal areaHeight, qreal lineHeight);

// Below two lines: one line, the patient in bold followed by " · " and the treatment when there is one.
// Otherwise the first `capacity` of: patient (bold); time range [" · " treatment]; "Tel. " phone when
// present; the notes on one line (italic, secondary colour) when present. Lines that do not fit are
// dropped from the end, so the notes go first, then the telephone.
// A patient given as several lines (a narrow column's wrapped name) takes that many lines at the top
// when the capacity leaves room for the time below them. Without `phoneFits` the telephone is left out
// (the notes move up).
[[nodiscard]] QList<TextLine> lines(const Appointment& appointment, int capacity, const QColor& ink,
                                    const QColor& secondary, const QStringList& patientLines = {},
                                    bool phoneFits = true);

// "Tel. " followed by the telephone number.
[[nodiscard]] QString phoneLine(const QString& phone);

// Notes written on several lines, as one line: every line break becomes a blank.
[[nodiscard]] QString flattened(const QString& notes);

} // namespace AppointmentText
