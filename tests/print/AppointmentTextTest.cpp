#include "AppointmentText.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

const QColor ink(Qt::black);
const QColor grey = QColor::fromRgbF(0.35f, 0.35f, 0.35f);

Appointment booking(const QString& phone, const QString& treatment, const QString& notes)
{
    return Appointment{7, 1, "2024-12-02", 540, 30, "Mario Rossi", phone, treatment, notes};
}

QStringList texts(const QList<TextLine>& lines)
{
    QStringList out;
    for (const TextLine& line : lines) {
        QString text;
        for (const TextRun& run : line)
            text += run.text;
        out.append(text);
    }
    return out;
}

} // namespace

TEST(AppointmentText, capacityCountsWholeLines)
{
    EXPECT_EQ(AppointmentText::capacity(20.296, 7), 2); // half hour on the one-page week
    EXPECT_EQ(AppointmentText::capacity(8.848, 7), 1);  // quarter hour on the one-page week
    EXPECT_EQ(AppointmentText::capacity(14, 7), 2);
    EXPECT_EQ(AppointmentText::capacity(6.99, 7), 0);
    EXPECT_EQ(AppointmentText::capacity(-0.5, 7), 0);
    EXPECT_EQ(AppointmentText::capacity(10, 0), 0);
}

TEST(AppointmentText, belowTwoLinesOnlyThePatientAndTheTreatmentShow)
{
    for (const int capacity : {0, 1}) {
        const QList<TextLine> lines =
            AppointmentText::lines(booking("333 1234567", "Igiene orale", "Allergico"), capacity, ink, grey);
        ASSERT_EQ(lines.size(), 1);
        ASSERT_EQ(lines[0].size(), 2);
        EXPECT_EQ(lines[0][0].text, "Mario Rossi");
        EXPECT_EQ(lines[0][0].face, TextFace::Bold);
        EXPECT_EQ(lines[0][1].text, QStringLiteral(" \u00B7 Igiene orale"));
        EXPECT_EQ(lines[0][1].face, TextFace::Regular);
        EXPECT_EQ(lines[0][1].color, ink);
    }
    const QList<TextLine> bare = AppointmentText::lines(booking({}, {}, {}), 1, ink, grey);
    EXPECT_EQ(texts(bare), QStringList{"Mario Rossi"});
}

TEST(AppointmentText, linesAreDroppedFromTheEndNotesFirst)
{
    const Appointment full = booking("333 1234567", "Igiene orale", "Portare\nle lastre\r\nprecedenti");
    const QStringList all{"Mario Rossi", QStringLiteral("09:00–09:30 \u00B7 Igiene orale"),
                          "Tel. 333 1234567", "Portare le lastre precedenti"};
    EXPECT_EQ(texts(AppointmentText::lines(full, 9, ink, grey)), all);
    EXPECT_EQ(texts(AppointmentText::lines(full, 4, ink, grey)), all);
    EXPECT_EQ(texts(AppointmentText::lines(full, 3, ink, grey)), all.mid(0, 3));
    EXPECT_EQ(texts(AppointmentText::lines(full, 2, ink, grey)), all.mid(0, 2));

    const TextRun notes = AppointmentText::lines(full, 4, ink, grey)[3][0];
    EXPECT_EQ(notes.face, TextFace::Italic);
    EXPECT_EQ(notes.color, grey);

    // Without telephone and notes there are only two lines, however much room.
    EXPECT_EQ(texts(AppointmentText::lines(booking({}, "Igiene orale", {}), 4, ink, grey)), all.mid(0, 2));
    // Notes without a telephone come right after the time; no separator without a treatment.
    EXPECT_EQ(texts(AppointmentText::lines(booking({}, {}, "Urgente"), 4, ink, grey)),
              (QStringList{"Mario Rossi", QStringLiteral("09:00–09:30"), "Urgente"}));
}
