#include "AppointmentText.h"

#include <cmath>

namespace {

const QString separator = QStringLiteral(" \u00B7 ");

} // namespace

namespace AppointmentText {

int capacity(qreal areaHeight, qreal lineHeight)
{
    if (lineHeight <= 0 || areaHeight <= 0)
        return 0;
    return int(std::floor(areaHeight / lineHeight));
}

QList<TextLine> lines(const Appointment& a, int capacity, const QColor& ink, const QColor& secondary,
                      const QStringList& patientLines, bool phoneFits)
{
    const TextRun patient{a.patient, TextFace::Bold, ink};
    if (capacity < 2) {
        TextLine line{patient};
        if (!a.treatment.isEmpty())
            line.append(TextRun{separator + a.treatment, TextFace::Regular, ink});
        return {line};
    }

    QList<TextLine> all{{patient}};
    if (patientLines.size() > 1 && capacity > patientLines.size()) {
        all.clear();
        for (const QString& part : patientLines)
            all.append({TextRun{part, TextFace::Bold, ink}});
    }
    QString when = a.timeRange();
    if (!a.treatment.isEmpty())
        when += separator + a.treatment;
    all.append({TextRun{when, TextFace::Regular, ink}});
    if (!a.phone.isEmpty() && phoneFits)
        all.append({TextRun{phoneLine(a.phone), TextFace::Regular, ink}});
    if (!a.notes.isEmpty())
        all.append({TextRun{flattened(a.notes), TextFace::Italic, secondary}});
    return all.mid(0, capacity);
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
