#include "AppointmentText.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

const QColor ink(Qt::black);
const QColor grey = QColor::fromRgbF(0.35f, 0.35f, 0.35f);

QStringList texts(const QString& phone, const QString& treatment, const QString& notes, int capacity)
{
    const Appointment a{7, 1, "2024-12-02", 540, 30, "Mario Rossi", phone, treatment, notes};
    QStringList out;
    for (const TextLine& line : AppointmentText::lines(a, capacity, ink, grey)) {
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
    EXPECT_EQ(AppointmentText::capacity(20.3, 7), 2);
    EXPECT_EQ(AppointmentText::capacity(6.99, 7), 0);
    EXPECT_EQ(AppointmentText::capacity(-0.5, 7), 0);
    EXPECT_EQ(AppointmentText::capacity(10, 0), 0);
}

TEST(AppointmentText, linesAreDroppedFromTheEndAndBelowTwoOnlyPatientAndTreatmentShow)
{
    const QString notes = "Portare\nle lastre\r\nprecedenti";
    const QStringList all{"Mario Rossi", QStringLiteral("09:00–09:30 \u00B7 Igiene orale"),
                          "Tel. 333 1234567", "Portare le lastre precedenti"};
    for (const int capacity : {9, 4, 3, 2})
        EXPECT_EQ(texts("333 1234567", "Igiene orale", notes, capacity), all.mid(0, std::min(capacity, 4)));
    for (const int capacity : {0, 1}) {
        EXPECT_EQ(texts("333 1234567", "Igiene orale", notes, capacity),
                  QStringList{QStringLiteral("Mario Rossi \u00B7 Igiene orale")});
    }
    EXPECT_EQ(texts({}, {}, {}, 1), QStringList{"Mario Rossi"});
    // Missing parts leave no gaps and no separator without a treatment.
    EXPECT_EQ(texts({}, "Igiene orale", {}, 4), all.mid(0, 2));
    EXPECT_EQ(texts({}, {}, "Urgente", 4),
              (QStringList{"Mario Rossi", QStringLiteral("09:00–09:30"), "Urgente"}));

    // Faces: the patient bold, the notes grey italic.
    const Appointment a{7, 1, "2024-12-02", 540, 30, "Mario Rossi", {}, "Igiene orale", "Urgente"};
    const QList<TextLine> lines = AppointmentText::lines(a, 3, ink, grey);
    EXPECT_EQ(lines[0][0].face, TextFace::Bold);
    EXPECT_EQ(lines[2][0].face, TextFace::Italic);
    EXPECT_EQ(lines[2][0].color, grey);
}
