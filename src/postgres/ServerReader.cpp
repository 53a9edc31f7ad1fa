#include "ServerReader.h"

#include "PgConnection.h"
#include "ServerRows.h"
#include "ServerSchema.h"

#include <libpq-fe.h>

std::unique_ptr<AgendaReader> ServerReader::open(const ConnectionLine& line)
{
    try {
        return std::unique_ptr<AgendaReader>(new ServerReader(PgConnection::open(line)));
    } catch (const DatabaseError&) {
        return nullptr;
    }
}

ServerReader::ServerReader(std::unique_ptr<PgConnection> connection)
    : m_connection(std::move(connection))
    , m_canceller(m_connection->canceller())
{
}

ServerReader::~ServerReader()
{
    settleInterrupts();
}

// The request goes on a thread of its own: it opens a connection to the server, which the thread that
// asks (the window's) must never wait for.
void ServerReader::interrupt()
{
    if (!m_canceller)
        return;
    const std::lock_guard lock(m_interruptMutex);
    m_interrupts.emplace_back([canceller = m_canceller] {
        char error[256];
        (void)PQcancel(canceller.get(), error, int(sizeof error));
    });
}

void ServerReader::settleInterrupts()
{
    std::vector<std::thread> sent;
    {
        const std::lock_guard lock(m_interruptMutex);
        sent.swap(m_interrupts);
    }
    for (std::thread& t : sent)
        t.join();
}

QList<Appointment> ServerReader::search(const QString& pattern, int limit)
{
    settleInterrupts();
    return search(*m_connection, pattern, limit);
}

QList<KnownPatient> ServerReader::knownPatients(const QString& pattern, int limit)
{
    settleInterrupts();
    return knownPatients(*m_connection, pattern, limit);
}

QStringList ServerReader::mostUsedTreatments(int limit)
{
    settleInterrupts();
    return mostUsedTreatments(*m_connection, limit);
}

bool ServerReader::usable() const
{
    return !m_connection->broken();
}

// LIKE as SQLite has it: A to Z match either case (both sides folded), "\" escapes "%", "_" and itself.
// The folded columns are what the trigram indexes hold, so the planner can use them.
QString ServerReader::searchStatement(int limit)
{
    const QString like = QStringLiteral(" LIKE ") + ServerSchema::folded(QStringLiteral("$1::text"))
        + QStringLiteral(" ESCAPE '\\'");
    return QStringLiteral("SELECT ") + ServerRows::columns + QStringLiteral(" FROM appointments\nWHERE ")
        + ServerSchema::folded(QStringLiteral("patient")) + like + QStringLiteral(" OR ")
        + ServerSchema::folded(QStringLiteral("phone")) + like + QStringLiteral(" OR ")
        + ServerSchema::folded(QStringLiteral("treatment")) + like
        + QStringLiteral("\nORDER BY day DESC, start_min DESC, id DESC LIMIT ") + QString::number(limit);
}

QList<Appointment> ServerReader::search(PgConnection& c, const QString& pattern, int limit)
{
    return ServerRows::appointmentsOf(c.query(searchStatement(limit), {pattern}));
}

// Newest first, as the file answers.
QList<KnownPatient> ServerReader::knownPatients(PgConnection& c, const QString& pattern, int limit)
{
    const QString sql = QStringLiteral("SELECT patient, phone FROM appointments WHERE ")
        + ServerSchema::folded(QStringLiteral("patient")) + QStringLiteral(" LIKE ")
        + ServerSchema::folded(QStringLiteral("$1::text"))
        + QStringLiteral(" ESCAPE '\\' ORDER BY day DESC, start_min DESC, id DESC");
    const PgResult r = c.query(sql, {pattern});
    KnownPatientsNewestFirst found;
    for (int i = 0; i < r.rows(); ++i)
        found.add(r.text(i, 0), r.text(i, 1));
    return found.first(limit);
}

// Equally used treatments come in byte order, as on the file.
QStringList ServerReader::mostUsedTreatments(PgConnection& c, int limit)
{
    const PgResult r = c.query(QStringLiteral("SELECT treatment FROM appointments WHERE treatment <> ''\n"
                                              "GROUP BY treatment ORDER BY count(*) DESC, treatment COLLATE \"C\" "
                                              "LIMIT ")
                               + QString::number(limit));
    QStringList list;
    for (int i = 0; i < r.rows(); ++i)
        list.append(r.text(i, 0));
    return list;
}
