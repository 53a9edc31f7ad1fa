#pragma once

#include "AgendaSink.h"
#include "Database.h"

#include <QList>
#include <QString>

// Writes a complete agenda database file (the data folder's schema and version) from rows read
// elsewhere, such as a server's agenda, in one transaction: until commit() the file holds no row of
// them, and a writer destroyed before it leaves none. Used for backups of a server agenda, which must
// open in the program as a local data folder.
class AgendaFileWriter final : public AgendaSink {
public:
    // Opens (creating) the file at path, which must be new or empty. Throws DatabaseError.
    explicit AgendaFileWriter(const QString& path);
    ~AgendaFileWriter() override;
    AgendaFileWriter(const AgendaFileWriter&) = delete;
    AgendaFileWriter& operator=(const AgendaFileWriter&) = delete;

    void addDentist(const Dentist& dentist) override;
    void addSetting(const QString& key, const QString& value) override;
    void addAppointments(const QList<StoredAppointment>& rows) override;
    void addDayRecords(const DayRecords& records) override;
    void addLogEntries(const QList<ActivityEntry>& entries) override;
    // Keeps what was added. Throws DatabaseError.
    void commit();

private:
    Database m_db;
    bool m_open = false;
};
