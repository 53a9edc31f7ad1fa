// The calendar files' settings on both archives: one folder and one agenda identity for the whole
// practice, whichever computer set or gave them.
#include "ArchiveFixture.h"
#include "CalendarExport.h"

#include <QFile>

class CalendarSettingsTest : public ArchiveTest {};

TEST_P(CalendarSettingsTest, folderAndIdentityAreThePracticesOnEveryComputer)
{
    std::unique_ptr<AgendaArchive> otherArchive = openArchive();
    Store other(*otherArchive);
    EXPECT_EQ(store->calendarFolder(), "");
    ASSERT_FALSE(store->setCalendarFolder("  /srv/studio/Calendari "));
    EXPECT_EQ(other.calendarFolder(), "/srv/studio/Calendari");

    // Asked first on the other computer, the identity is given once and every computer then reads it.
    const QString identity = other.agendaIdentity();
    EXPECT_FALSE(identity.isEmpty());
    EXPECT_EQ(store->agendaIdentity(), identity);
    EXPECT_EQ(other.agendaIdentity(), identity);

    ASSERT_FALSE(store->save(booking(1, "2024-12-05", 9 * 60, 30, "Anna Verdi")));
    const QString path = dir.filePath("giorno.ics");
    ASSERT_FALSE(CalendarExport::exportDays(other, {2024, 12, 5}, {2024, 12, 5}, path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const qint64 id = store->fetchAppointments("2024-12-05", "2024-12-05").value(0).id;
    EXPECT_TRUE(file.readAll().contains("UID:" + CalendarExport::uid(id, identity).toUtf8()));

    ASSERT_FALSE(other.setCalendarFolder(""));
    EXPECT_EQ(store->calendarFolder(), "");
}

INSTANTIATE_TEST_SUITE_P(BothArchives, CalendarSettingsTest, ::testing::Values(ArchiveKind::File, ArchiveKind::Server),
                         [](const ::testing::TestParamInfo<ArchiveKind>& kind) { return PrintToString(kind.param); });
