#pragma once

#include "AgendaArchive.h"
#include "IndexKeeper.h"

#include <functional>
#include <memory>
#include <optional>

// What both archives share about the search index: the three questions that read the whole agenda
// answered from memory when they can (the kept index, or what the archive itself remembers), else by
// the archive's own queries; the index kept on request and told of the archive's own writes. An
// archive derived from it keeps only its SQL.
class IndexedArchive : public AgendaArchive {
public:
    ~IndexedArchive() override;

    [[nodiscard]] QList<Appointment> search(const QString& pattern, int limit) final;
    [[nodiscard]] QList<KnownPatient> knownPatients(const QString& pattern, int limit) final;
    [[nodiscard]] QStringList mostUsedTreatments(int limit) final;
    [[nodiscard]] std::optional<QList<Appointment>> searchFromMemory(const QString& pattern, int limit) final;
    [[nodiscard]] std::optional<QList<KnownPatient>> knownPatientsFromMemory(const QString& pattern, int limit) final;
    [[nodiscard]] std::optional<QStringList> mostUsedTreatmentsFromMemory(int limit) final;
    bool keepSearchIndex(bool wait) final;

protected:
    using IndexChange = std::function<void(SearchIndex&)>;

    // The archive's own queries, as AgendaArchive describes the three questions.
    [[nodiscard]] virtual QList<Appointment> searchQuery(const QString& pattern, int limit) = 0;
    [[nodiscard]] virtual QList<KnownPatient> knownPatientsQuery(const QString& pattern, int limit) = 0;
    [[nodiscard]] virtual QStringList mostUsedTreatmentsQuery(int limit) = 0;
    // A search the archive answers from what it remembers, without the index; absent when it cannot.
    [[nodiscard]] virtual std::optional<QList<Appointment>> rememberedSearch(const QString& /*pattern*/, int /*limit*/)
    {
        return std::nullopt;
    }
    // The stored appointments with these ids, in any order (missing ones left out). Throws DatabaseError.
    [[nodiscard]] virtual QList<Appointment> appointmentsWithIds(const QList<qint64>& ids) = 0;
    // Reads the whole agenda into a new index on a worker thread (see IndexKeeper::Load).
    [[nodiscard]] virtual IndexKeeper::Load indexLoader() const = 0;
    // The archive's change mark (see IndexKeeper::MarkNow).
    [[nodiscard]] virtual std::optional<IndexKeeper::Mark> indexMark() = 0;

    // Whether an index is kept (built or not).
    [[nodiscard]] bool indexKept() const { return m_keeper != nullptr; }
    // Has a stale index built again now rather than at the next question.
    void refreshIndex();
    // Runs one of the archive's own writes; `change` tells the kept index what it changed.
    void ownWrite(const std::function<void()>& write, const IndexChange& change = {});
    // Another program's changes to these rows, read with `rowsOf`, put into the kept index (see
    // IndexKeeper::takeChangesElsewhere); false when they could not be.
    bool takeIntoIndex(const IndexKeeper::Mark& now, const QList<qint64>& ids,
                       const std::function<QList<Appointment>(const QList<qint64>&)>& rowsOf);

    // The index changes of the archive's writes, read once the write is done: `a` stored under the id
    // `written` (0 when nothing was written); `a` brought back when `wrote`; the row `id` gone when `removed`.
    [[nodiscard]] static IndexChange storing(const Appointment& a, const qint64& written);
    [[nodiscard]] static IndexChange restoring(const Appointment& a, const bool& wrote);
    [[nodiscard]] static IndexChange removing(qint64 id, const bool& removed);

private:
    [[nodiscard]] SearchIndex* index();
    // The appointments with these ids, in this order; absent when one of them is missing or the rows
    // cannot be read.
    [[nodiscard]] std::optional<QList<Appointment>> inOrder(const QList<qint64>& ids);

    std::unique_ptr<IndexKeeper> m_keeper;
};
