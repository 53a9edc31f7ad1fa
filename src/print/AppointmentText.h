#pragma once

#include "Appointment.h"
#include "TextRun.h"

#include <functional>

// What an appointment box on paper says, given how many lines fit in it.
namespace AppointmentText {

// A run's text broken into the lines the box's width holds.
using Wrap = std::function<QStringList(const TextRun&)>;

// Whole lines of height lineHeight that fit in a text area of the given height (0 when it is lower).
[[nodiscard]] int capacity(qreal areaHeight, qreal lineHeight);

// Below two lines: one line, the patient in bold followed by " · " and the treatment when there is one.
// Otherwise the first `capacity` of: patient (bold); time range [" · " treatment]; "Tel. " phone when
// present; the notes on one line (italic, secondary colour) when present. Lines that do not fit are
// dropped from the end, so the notes go first, then the telephone.
// A patient given as several lines (a narrow column's wrapped name) takes that many lines at the top
// when the capacity leaves room for the time below them. Without `phoneFits` the telephone is left out
// (the notes move up).
// Given `wrap`, lines the capacity leaves over go to the notes, then to the treatment, each continuing
// on the lines below as far as it needs; the last line it gets holds the rest, to be cut when drawn.
[[nodiscard]] QList<TextLine> lines(const Appointment& appointment, int capacity, const QColor& ink,
                                    const QColor& secondary, const QStringList& patientLines = {},
                                    bool phoneFits = true, const Wrap& wrap = {});

// "Tel. " followed by the telephone number.
[[nodiscard]] QString phoneLine(const QString& phone);

// Notes written on several lines, as one line: every line break becomes a blank.
[[nodiscard]] QString flattened(const QString& notes);

} // namespace AppointmentText
