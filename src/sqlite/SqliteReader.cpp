#include "SqliteReader.h"

#include "AppointmentRows.h"
#include "Database.h"

// Ties are broken by id, so that the order is the same for every plan and the search index's.
QString SqliteReader::searchStatement(int limit)
{
    return QStringLiteral("SELECT ") + AppointmentRows::columns
        + QStringLiteral(" FROM appointments\nWHERE patient LIKE ? ESCAPE '\\' OR phone LIKE ? ESCAPE '\\' OR "
                         "treatment LIKE ? ESCAPE '\\'\nORDER BY day DESC, start_min DESC, id DESC LIMIT ")
        + QString::number(limit);
}

QString SqliteReader::knownPatientsStatement()
{
    return QStringLiteral("SELECT patient, phone FROM appointments WHERE patient LIKE ? ESCAPE '\\' ORDER BY day DESC, "
                          "start_min DESC, id DESC");
}

SqliteReader::SqliteReader(Database& db)
    : m_db(db)
{
}

SqliteReader::SqliteReader(std::unique_ptr<Database> owned)
    : m_owned(std::move(owned))
    , m_db(*m_owned)
{
}

SqliteReader::~SqliteReader() = default;

QList<Appointment> SqliteReader::search(const QString& pattern, int limit)
{
    return m_db.query(searchStatement(limit), {pattern, pattern, pattern}, AppointmentRows::fromRow);
}

QList<KnownPatient> SqliteReader::knownPatients(const QString& pattern, int limit)
{
    KnownPatientsNewestFirst found;
    (void)m_db.query(knownPatientsStatement(), {pattern}, [&](const SQLRow& row) {
        found.add(row.text(0), row.text(1));
        return 0;
    });
    return found.first(limit);
}

QStringList SqliteReader::mostUsedTreatments(int limit)
{
    return m_db.query(QStringLiteral("SELECT treatment FROM appointments WHERE treatment <> ''\n"
                                     "GROUP BY treatment ORDER BY COUNT(*) DESC, treatment LIMIT ")
                          + QString::number(limit),
                      {}, [](const SQLRow& row) { return row.text(0); });
}

void SqliteReader::interrupt()
{
    m_db.interrupt();
}
