#pragma once

#include "Appointment.h"
#include "Database.h"
#include "Dentist.h"

#include <QList>
#include <QString>

// Writes a complete agenda database file (the data folder's schema, user_version 1) from rows read
// elsewhere, such as a server's agenda, in one transaction: until commit() the file holds no row of
// them, and a writer destroyed before it leaves none. Used for backups of a server agenda, which must
// open in the program as a local data folder.
class AgendaFileWriter {
public:
    // An appointment with the two moments the archive keeps ("yyyy-MM-dd HH:mm:ss", local time).
    struct Row {
        Appointment appointment;
        QString createdAt;
        QString updatedAt;
    };

    // Opens (creating) the file at path, which must be new or empty. Throws DatabaseError.
    explicit AgendaFileWriter(const QString& path);
    ~AgendaFileWriter();
    AgendaFileWriter(const AgendaFileWriter&) = delete;
    AgendaFileWriter& operator=(const AgendaFileWriter&) = delete;

    // Each throws DatabaseError; dentists come before the appointments that refer to them.
    void addDentist(const Dentist& dentist);
    void addSetting(const QString& key, const QString& value);
    void addAppointments(const QList<Row>& rows);
    void commit();

private:
    Database m_db;
    bool m_open = false;
};
