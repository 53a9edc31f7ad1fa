// This computer's second place for backups: what the agenda says when copies stop arriving.
#include "Backup.h"
#include "Database.h"
#include "SecondPlace.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Place {
    QTemporaryDir dir;
    std::unique_ptr<SecondPlace> place = make();

    std::unique_ptr<SecondPlace> make() const
    {
        return std::make_unique<SecondPlace>(
            std::make_unique<QSettings>(dir.filePath("locale.ini"), QSettings::IniFormat),
            dir.filePath("calvora.sqlite"), &Backup::copyChecked);
    }
};

} // namespace

TEST(SecondPlaceTest, anUnpluggedDriveIsSaidOnceADayAndAfterAWeekUntilACopyArrives)
{
    int argc = 1;
    char name[] = "store_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv); // the copy in the background reports through the event loop
    Clock::Pin clock(TestSupport::at(2026, 3, 9, 9, 0));
    Place p;
    Database db(p.dir.filePath("calvora.sqlite"));
    const QString drive = p.dir.filePath("Disco");
    QDir().mkpath(drive);
    p.place->setFolder(drive);

    const QString first = Backup::now(db);
    EXPECT_EQ(p.place->copyNow(first), std::nullopt);
    EXPECT_EQ(p.place->notice(), std::nullopt);
    EXPECT_EQ(p.place->lastArrival()->date(), QDate(2026, 3, 9));

    QDir(drive).removeRecursively();
    clock.set(TestSupport::at(2026, 3, 10, 9, 0));
    const std::optional<QString> missing = p.place->copyNow(Backup::now(db));
    ASSERT_TRUE(missing);
    EXPECT_TRUE(missing->startsWith("La cartella delle copie dei backup (" + drive + ") non è raggiungibile"));
    EXPECT_EQ(p.place->notice(), missing);
    // The same day, in a program started again: not said twice.
    p.place = p.make();
    clock.set(TestSupport::at(2026, 3, 10, 15, 0));
    EXPECT_TRUE(p.place->copyNow(Backup::now(db)));
    EXPECT_EQ(p.place->notice(), std::nullopt);

    // A week after the last copy the line stays, whatever the attempts, until a copy arrives.
    clock.set(TestSupport::at(2026, 3, 16, 9, 0));
    p.place = p.make();
    ASSERT_TRUE(p.place->notice());
    EXPECT_TRUE(p.place->notice()->startsWith("Da 7 giorni nessun backup arriva nella cartella delle copie"));
    QDir().mkpath(drive);
    QSignalSpy changed(p.place.get(), &SecondPlace::changed);
    p.place->send(Backup::now(db));
    EXPECT_TRUE(p.place->busy());
    while (p.place->busy())
        ASSERT_TRUE(changed.wait(10000));
    EXPECT_EQ(p.place->notice(), std::nullopt);
    EXPECT_EQ(p.place->lastArrival()->date(), QDate(2026, 3, 16));
    EXPECT_EQ(QDir(drive).entryList(QDir::Files).size(), 1);
}
