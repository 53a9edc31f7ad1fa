// The agenda, the search and the free-time search while the archive does not answer: a server that was
// stopped, or a file whose reads fail. Nothing unread is shown as empty, one alert covers a run of
// failures, and once the archive answers again everything loads by itself.
#include "BackupFolder.h"
#include "CalvoraView.h"
#include "Database.h"
#include "DentistColumn.h"
#include "Dialogs.h"
#include "FreeSlotPanel.h"
#include "PgTestServer.h"
#include "ScheduleGrid.h"
#include "SearchPanel.h"
#include "ServerArchive.h"
#include "SqliteArchive.h"
#include "Store.h"
#include "TestSupport.h"

#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class ArchiveAwayTest : public ::testing::TestWithParam<bool> {
protected:
    Clock::Pin clock{TestSupport::at(2024, 12, 4, 10, 0)};
    QTemporaryDir dir;
    std::unique_ptr<PgTestServer> server;
    std::unique_ptr<AgendaArchive> archive;
    std::unique_ptr<Database> otherProgram;

    [[nodiscard]] bool onServer() const { return GetParam(); }

    void SetUp() override
    {
        if (onServer()) {
            server = std::make_unique<PgTestServer>();
            archive = std::make_unique<ServerArchive>(*ConnectionLine::parse(server->createDatabase()),
                                                      std::make_unique<BackupFolder>(dir.path()));
        } else {
            archive = std::make_unique<SqliteArchive>(std::make_unique<Database>(dir.filePath("calvora.sqlite")));
            otherProgram = std::make_unique<Database>(dir.filePath("calvora.sqlite"));
        }
    }
    // On the file, every read of the appointments fails while their table has another name.
    void goAway()
    {
        onServer() ? server->stop() : otherProgram->execute("ALTER TABLE appointments RENAME TO archived");
    }
    void comeBack()
    {
        onServer() ? server->start() : otherProgram->execute("ALTER TABLE archived RENAME TO appointments");
    }

    static int alerts()
    {
        int n = 0;
        for (const DialogRequest& shown : Dialogs::takeShown())
            n += shown.title == QStringLiteral("Attenzione");
        return n;
    }
};

std::string archiveName(const ::testing::TestParamInfo<bool>& param)
{
    return param.param ? "Server" : "File";
}

} // namespace

TEST_P(ArchiveAwayTest, nothingUnreadLooksEmptyAndEverythingLoadsOnceTheArchiveAnswers)
{
    Store store(*archive);
    ASSERT_FALSE(store.save(Appointment{0, 1, "2024-12-04", 600, 30, "Rosa Neri", {}, {}, {}}));
    store.followArchive(100);
    CalvoraView view(store, AgendaPanels{});
    view.resize(1200, 800);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    (void)Dialogs::takeShown();

    goAway();
    SearchPanel search(store, [] {}, QStringLiteral("Rosa"), nullptr);
    EXPECT_TRUE(TestSupport::eventually([&] { return search.hint() == Store::unansweredText(); }));
    EXPECT_TRUE(search.results().isEmpty());
    EXPECT_THROW((void)store.search(QStringLiteral("Rosa")), DatabaseError);
    EXPECT_THROW((void)store.knownPatients(QStringLiteral("Rosa")), DatabaseError);
    EXPECT_THROW((void)store.treatmentSuggestions(), DatabaseError);
    {
        FreeSlotPanel freeTime(store, [] {}, nullptr);
        EXPECT_EQ(freeTime.hint(), Store::unansweredText());
    }
    for (int i = 0; i < 6; ++i)
        Dialogs::answerNext(QMessageBox::AcceptRole);
    for (int week = 0; week < 5; ++week) {
        QTest::keyClick(view.grid(), Qt::Key_PageDown);
        QTest::qWait(20); // the alert of one step, answered, goes before the next
    }
    EXPECT_LE(alerts(), 1);
    EXPECT_FALSE(store.weekLoaded());
    EXPECT_TRUE(view.grid()->unloadedNotice()->isVisible());
    EXPECT_EQ(view.grid()->unloadedNotice()->text(), "Settimana non caricata: l'archivio non risponde.");
    EXPECT_EQ(view.countText(), QString());
    // No booking on what was not read: a click on a free slot only says why.
    QTest::mouseClick(view.grid()->column(0, 0), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_FALSE(store.editing());

    comeBack();
    for (int week = 0; week < 5; ++week)
        QTest::keyClick(view.grid(), Qt::Key_PageUp);
    EXPECT_TRUE(TestSupport::eventually([&] { return store.weekLoaded() && store.weekAppointments().size() == 1; },
                                        10000));
    EXPECT_FALSE(view.grid()->unloadedNotice()->isVisible());
    SearchPanel again(store, [] {}, QStringLiteral("Rosa"), nullptr);
    EXPECT_TRUE(TestSupport::eventually([&] { return again.results().size() == 1; }, 10000));
    FreeSlotPanel freeTime(store, [] {}, nullptr);
    EXPECT_EQ(freeTime.hint(), QString());
    (void)Dialogs::takeShown();
}

INSTANTIATE_TEST_SUITE_P(Archives, ArchiveAwayTest, ::testing::Values(false, true), archiveName);
