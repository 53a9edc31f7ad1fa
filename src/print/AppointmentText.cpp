#include "AppointmentText.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

const QString separator = QStringLiteral(" \u00B7 ");

using Wrap = std::function<QStringList(const TextRun&, int maxLines)>;

// The run's text as lines of its own face and colour.
QList<TextLine> asLines(const TextRun& run, const QStringList& parts)
{
    QList<TextLine> out;
    for (const QString& part : parts)
        out.append({TextRun{part, run.face, run.color}});
    return out;
}

// Lines the capacity leaves over, given first to the notes (an allergy cut short is a risk), then to the
// treatment. `when` and `notes` are the indexes of those lines in `kept` (-1 when absent).
QList<TextLine> spreadOver(QList<TextLine> kept, int capacity, int when, int notes, const Wrap& wrap)
{
    int spare = capacity - int(kept.size());
    QStringList noteParts;
    QStringList whenParts;
    if (notes >= 0 && spare > 0) {
        noteParts = wrap(kept[notes].first(), 1 + spare);
        spare -= int(noteParts.size()) - 1;
    }
    if (when >= 0 && spare > 0)
        whenParts = wrap(kept[when].first(), 1 + spare);
    QList<TextLine> out;
    for (int i = 0; i < kept.size(); ++i) {
        if (i == notes && noteParts.size() > 1)
            out += asLines(kept[i].first(), noteParts);
        else if (i == when && whenParts.size() > 1)
            out += asLines(kept[i].first(), whenParts);
        else
            out.append(kept[i]);
    }
    return out;
}

} // namespace

namespace AppointmentText {

int capacity(qreal areaHeight, qreal lineHeight)
{
    if (lineHeight <= 0 || areaHeight <= 0)
        return 0;
    return int(std::floor(areaHeight / lineHeight));
}

QList<TextLine> lines(const Appointment& a, int capacity, const QColor& ink, const QColor& secondary,
                      const Room& room)
{
    const TextRun patient{a.patient, TextFace::Bold, ink};
    if (capacity < 2) {
        TextLine line{patient};
        if (!a.treatment.isEmpty())
            line.append(TextRun{separator + a.treatment, TextFace::Regular, ink});
        return {line};
    }

    QList<TextLine> all{{patient}};
    if (room.patientLines.size() > 1 && capacity > room.patientLines.size()) {
        all.clear();
        for (const QString& part : room.patientLines)
            all.append({TextRun{part, TextFace::Bold, ink}});
    }
    QString when = a.timeRange();
    if (!a.treatment.isEmpty())
        when += separator + a.treatment;
    const TextRun whenRun{when, TextFace::Regular, ink};
    const TextRun notesRun{flattened(a.notes), TextFace::Italic, secondary};
    const bool phone = !a.phone.isEmpty() && room.phoneFits;
    const auto needed = [&](const TextRun& run) { return room.wrap ? int(room.wrap(run, INT_MAX).size()) : 1; };
    const int wanted = int(all.size()) + needed(whenRun) + (phone ? 1 : 0) + (a.notes.isEmpty() ? 0 : needed(notesRun));
    const TextLine beside{patient, TextRun{QStringLiteral("  ") + when, TextFace::Regular, ink}};
    int whenIndex = -1;
    if (all.size() == 1 && wanted > capacity && room.fits && room.fits(beside)) {
        all = {beside};
    } else {
        whenIndex = int(all.size());
        all.append({whenRun});
    }
    if (phone)
        all.append({TextRun{phoneLine(a.phone), TextFace::Regular, ink}});
    const int notesIndex = a.notes.isEmpty() ? -1 : int(all.size());
    if (!a.notes.isEmpty())
        all.append({notesRun});
    QList<TextLine> kept = all.mid(0, capacity);
    if (!room.wrap)
        return kept;
    const int shown = int(kept.size());
    return spreadOver(std::move(kept), capacity, whenIndex < shown ? whenIndex : -1,
                      notesIndex < shown ? notesIndex : -1, room.wrap);
}

QString phoneLine(const QString& phone)
{
    return QStringLiteral("Tel. ") + phone;
}

QString flattened(const QString& notes)
{
    QString text = notes;
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    for (const QChar breakChar :
         {QChar(u'\n'), QChar(u'\r'), QChar(QChar::LineSeparator), QChar(QChar::ParagraphSeparator)})
        text.replace(breakChar, QLatin1Char(' '));
    return text;
}

} // namespace AppointmentText
