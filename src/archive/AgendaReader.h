#pragma once

#include "Appointment.h"
#include "KnownPatient.h"

#include <QList>
#include <QString>
#include <QStringList>

// The archive's three questions that read the whole agenda, asked on a connection of their own so that
// a worker thread can answer them while the archive's thread goes on. The answers are those of the
// archive's own statements (see AgendaArchive); every failure throws DatabaseError. Used only on the
// thread that made it, except interrupt.
class AgendaReader {
public:
    virtual ~AgendaReader() = default;

    [[nodiscard]] virtual QList<Appointment> search(const QString& pattern, int limit) = 0;
    [[nodiscard]] virtual QList<KnownPatient> knownPatients(const QString& pattern, int limit) = 0;
    [[nodiscard]] virtual QStringList mostUsedTreatments(int limit) = 0;

    // False once the connection is lost: a new reader is made for the next question.
    [[nodiscard]] virtual bool usable() const { return true; }

    // From any thread: the statement under way, if any, stops with DatabaseError (its answer is no
    // longer wanted). Readers that cannot stop one let it finish.
    virtual void interrupt() {}
};
