#pragma once

#include "AgendaSource.h"

#include <memory>

class Database;

// The agenda file of a data folder read whole, in one read transaction held as long as the source lives:
// whatever another program writes meanwhile, every answer comes from the same state of the file.
class FileAgendaSource final : public AgendaSource {
public:
    // Opens the file. Throws DatabaseError with an Italian clause when it is missing, empty or cannot
    // be read.
    [[nodiscard]] static std::unique_ptr<AgendaSource> open(const QString& path);
    ~FileAgendaSource() override;

    [[nodiscard]] Content content() override;
    [[nodiscard]] std::optional<Overlap> firstOverlap() override;
    [[nodiscard]] QList<Dentist> dentists() override;
    [[nodiscard]] QList<std::pair<QString, QString>> settings() override;
    [[nodiscard]] QList<StoredAppointment> appointmentsAfter(qint64 afterId, int count) override;
    [[nodiscard]] DayRecords dayRecords() override;

private:
    explicit FileAgendaSource(std::unique_ptr<Database> file);

    std::unique_ptr<Database> m_file;
};
