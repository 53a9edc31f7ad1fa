#pragma once

#include "AgendaArchive.h"
#include "BackupFolder.h"
#include "ConnectionLine.h"
#include "Database.h"
#include "PgConnection.h"
#include "PgTestServer.h"
#include "Scalar.h"
#include "ServerArchive.h"
#include "SqliteArchive.h"
#include "Store.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

// Which archive keeps the agenda in a test that runs on both.
enum class ArchiveKind { File, Server };

inline std::string PrintToString(ArchiveKind kind)
{
    return kind == ArchiveKind::File ? "File" : "Server";
}

// One agenda in the chosen archive, with a store on it, and SQL past the store on a connection of its
// own (another computer). The clock is pinned to Wednesday 4 December 2024 at 10:00.
class ArchiveFixture : public ::testing::Test {
protected:
    explicit ArchiveFixture(ArchiveKind kind) : m_kind(kind) {}

    Clock::Pin clock{TestSupport::at(2024, 12, 4, 10, 0)};
    QTemporaryDir dir;
    std::unique_ptr<PgTestServer> server;
    QString serverLine;
    std::unique_ptr<Database> rawFile;
    std::unique_ptr<PgConnection> rawServer;
    std::unique_ptr<AgendaArchive> archive;
    std::unique_ptr<Store> store;

    [[nodiscard]] bool onServer() const { return m_kind == ArchiveKind::Server; }

    void SetUp() override
    {
        if (onServer()) {
            server = std::make_unique<PgTestServer>();
            serverLine = server->createDatabase();
        }
        archive = openArchive();
        if (onServer())
            rawServer = PgConnection::open(*ConnectionLine::parse(serverLine));
        else
            rawFile = std::make_unique<Database>(dir.filePath("calvora.sqlite"));
        store = std::make_unique<Store>(*archive);
    }

    // A new connection to the same agenda, as another computer has.
    [[nodiscard]] std::unique_ptr<AgendaArchive> openArchive() const
    {
        if (onServer())
            return std::make_unique<ServerArchive>(*ConnectionLine::parse(serverLine),
                                                   std::make_unique<BackupFolder>(dir.path()));
        return std::make_unique<SqliteArchive>(std::make_unique<Database>(dir.filePath("calvora.sqlite")));
    }

    // One statement past the store, with "?" for each argument.
    void sql(const QString& statement, const SQLArgs& args = {})
    {
        if (!onServer()) {
            rawFile->run(statement, args);
            return;
        }
        rawServer->query(numbered(statement), args);
    }

    qint64 scalar(const QString& statement)
    {
        if (!onServer())
            return TestSupport::integer(*rawFile, statement);
        return rawServer->query(statement).integer(0, 0);
    }

    qint64 count(const QString& where = "true") { return scalar("SELECT COUNT(*) FROM appointments WHERE " + where); }

    void insert(const QString& day, int start, const QString& patient, const QString& phone = {},
                const QString& treatment = {})
    {
        sql("INSERT INTO appointments (dentist_id, day, start_min, duration_min, patient, phone, treatment) "
            "VALUES (1, ?, ?, 15, ?, ?, ?)",
            {day, start, patient, phone, treatment});
    }

    static Appointment booking(qint64 dentist, const QString& day, int start, int duration,
                               const QString& patient = "Mario Rossi")
    {
        return Appointment{0, dentist, day, start, duration, patient, {}, {}, {}};
    }

    static QStringList patients(const QList<Appointment>& list)
    {
        QStringList names;
        for (const Appointment& a : list)
            names << a.patient;
        return names;
    }

private:
    ArchiveKind m_kind;

    static QString numbered(const QString& statement)
    {
        QString result;
        int n = 0;
        for (const QChar c : statement)
            result += c == u'?' ? QStringLiteral("$") + QString::number(++n) : QString(c);
        return result;
    }
};

// The same on both archives, one run each.
class ArchiveTest : public ArchiveFixture, public ::testing::WithParamInterface<ArchiveKind> {
protected:
    ArchiveTest() : ArchiveFixture(GetParam()) {}
};
