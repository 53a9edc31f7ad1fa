// The agenda, the search and the free-time search while the archive does not answer: a server that was
// stopped, or a file whose reads fail. Nothing unread is shown as empty, one alert covers a run of
// failures, and once the archive answers again everything loads by itself.
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

#include <atomic>

namespace {

using Away = std::shared_ptr<std::atomic<bool>>;

void failWhen(const Away& away)
{
    if (away->load())
        throw DatabaseError(QStringLiteral("il file non si legge"), DatabaseError::Kind::Unavailable);
}

// The file archive, whose reads (its own and its readers') fail while `away` is set.
class AwayFile final : public AgendaArchive {
public:
    AwayFile(std::unique_ptr<AgendaArchive> file, Away away) : m_file(std::move(file)), m_away(std::move(away)) {}

    Kind kind() const override { return m_file->kind(); }
    QString location() const override { return m_file->location(); }
    QList<Dentist> dentists() override { return read([&] { return m_file->dentists(); }); }
    QString studioName() override { return read([&] { return m_file->studioName(); }); }
    QHash<QString, QString> allSettings() override { return read([&] { return m_file->allSettings(); }); }
    QList<Appointment> appointments(const QString& from, const QString& to) override
    {
        return read([&] { return m_file->appointments(from, to); });
    }
    std::optional<Appointment> appointment(qint64 id) override { return read([&] { return m_file->appointment(id); }); }
    QList<Appointment> dentistDay(const QString& day, qint64 dentist, qint64 except) override
    {
        return read([&] { return m_file->dentistDay(day, dentist, except); });
    }
    QList<Appointment> search(const QString& p, int n) override { return read([&] { return m_file->search(p, n); }); }
    QList<KnownPatient> knownPatients(const QString& p, int n) override
    {
        return read([&] { return m_file->knownPatients(p, n); });
    }
    QStringList mostUsedTreatments(int n) override { return read([&] { return m_file->mostUsedTreatments(n); }); }
    ReaderMaker readerMaker() const override
    {
        return [maker = m_file->readerMaker(), away = m_away]() -> std::unique_ptr<AgendaReader> {
            return std::make_unique<AwayReader>(maker(), away);
        };
    }
    qint64 writeAppointment(const Appointment& a, const std::function<bool(const WriteCheck&)>& ok) override
    {
        return m_file->writeAppointment(a, ok);
    }
    bool restoreAppointment(const Appointment& a, const std::function<bool(const WriteCheck&)>& ok) override
    {
        return m_file->restoreAppointment(a, ok);
    }
    void deleteAppointment(qint64 id) override { m_file->deleteAppointment(id); }
    void saveSettings(const QString& name, const QList<Dentist>& d) override { m_file->saveSettings(name, d); }
    void writeSetting(const QString& k, const std::optional<QString>& v) override { m_file->writeSetting(k, v); }
    qint64 addDentist(const QString& name, const QString& color) override { return m_file->addDentist(name, color); }
    void reorderDentists(const QList<qint64>& ids) override { m_file->reorderDentists(ids); }
    bool writeSettingIfNoneFrom(const QString& k, const QString& v, qint64 d, const QString& from,
                                const std::function<bool(const QList<Appointment>&)>& ok) override
    {
        return m_file->writeSettingIfNoneFrom(k, v, d, from, ok);
    }
    bool changedElsewhere() override { return m_file->changedElsewhere(); }
    QString backupNow() override { return m_file->backupNow(); }

private:
    class AwayReader final : public AgendaReader {
    public:
        AwayReader(std::unique_ptr<AgendaReader> reader, Away away) : m_reader(std::move(reader)), m_away(std::move(away)) {}
        QList<Appointment> search(const QString& p, int n) override { return failWhen(m_away), m_reader->search(p, n); }
        QList<KnownPatient> knownPatients(const QString& p, int n) override
        {
            return failWhen(m_away), m_reader->knownPatients(p, n);
        }
        QStringList mostUsedTreatments(int n) override { return failWhen(m_away), m_reader->mostUsedTreatments(n); }

    private:
        std::unique_ptr<AgendaReader> m_reader;
        Away m_away;
    };

    template <typename Read>
    auto read(Read r) -> decltype(r())
    {
        failWhen(m_away);
        return r();
    }

    std::unique_ptr<AgendaArchive> m_file;
    Away m_away;
};

class ArchiveAwayTest : public ::testing::TestWithParam<bool> {
protected:
    Clock::Pin clock{TestSupport::at(2024, 12, 4, 10, 0)};
    QTemporaryDir dir;
    std::unique_ptr<PgTestServer> server;
    Away away = std::make_shared<std::atomic<bool>>(false);
    std::unique_ptr<AgendaArchive> archive;

    [[nodiscard]] bool onServer() const { return GetParam(); }

    void SetUp() override
    {
        if (onServer()) {
            server = std::make_unique<PgTestServer>();
            archive = std::make_unique<ServerArchive>(*ConnectionLine::parse(server->createDatabase()), dir.path());
        } else {
            archive = std::make_unique<AwayFile>(
                std::make_unique<SqliteArchive>(std::make_unique<Database>(dir.filePath("calvora.sqlite"))), away);
        }
    }
    void goAway() { onServer() ? server->stop() : away->store(true); }
    void comeBack() { onServer() ? server->start() : away->store(false); }

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
