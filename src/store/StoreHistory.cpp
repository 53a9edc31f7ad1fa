#include "StoreHistory.h"

#include "AgendaArchive.h"
#include "LoggedAct.h"

#include <QUndoStack>

namespace {

// Enough for a day of work; the oldest entries go first.
constexpr int historyLimit = 100;

} // namespace

void Store::record(const Change& change)
{
    if (!m_history) {
        m_history = new QUndoStack(this);
        m_history->setUndoLimit(historyLimit);
    }
    m_history->push(new ChangeCommand(change));
    emit changed();
}

bool Store::canUndo() const
{
    return m_history && m_history->canUndo();
}

bool Store::canRedo() const
{
    return m_history && m_history->canRedo();
}

QString Store::undoText() const
{
    return canUndo() ? QStringLiteral("Annulla ") + m_history->undoText() : QStringLiteral("Annulla");
}

QString Store::redoText() const
{
    return canRedo() ? QStringLiteral("Ripeti ") + m_history->redoText() : QStringLiteral("Ripeti");
}

void Store::undo()
{
    if (!canUndo())
        return;
    const LoggedAct act(m_archive, m_act, QStringLiteral("undo"));
    const auto* entry = static_cast<const ChangeCommand*>(m_history->command(m_history->index() - 1));
    if (const std::optional<QString> refusal = apply(entry->change(), false)) {
        setAlertMessage(QStringLiteral("Impossibile annullare: ") + entry->text() + QStringLiteral(".\n") + *refusal);
        return;
    }
    m_history->undo();
    emit changed();
    followPlace(entry->change(), false);
}

void Store::redo()
{
    if (!canRedo())
        return;
    const LoggedAct act(m_archive, m_act, QStringLiteral("redo"));
    const auto* entry = static_cast<const ChangeCommand*>(m_history->command(m_history->index()));
    if (const std::optional<QString> refusal = apply(entry->change(), true)) {
        setAlertMessage(QStringLiteral("Impossibile ripetere: ") + entry->text() + QStringLiteral(".\n") + *refusal);
        return;
    }
    m_history->redo();
    emit changed();
    followPlace(entry->change(), true);
}

void Store::followPlace(const Change& change, bool forward)
{
    if (change.kind != Change::Kind::Update || samePlace(change.before, change.after))
        return;
    emit placed(forward ? change.after : change.before);
}

// Makes the change again (forward) or takes it back, through the same checks as any change: each
// step expects the archive to hold what the change left, so another computer's work is never undone.
std::optional<QString> Store::apply(const Change& change, bool forward)
{
    if (std::optional<QString> refusal = applyAppointment(change, forward))
        return refusal;
    if (!change.recallWritten)
        return std::nullopt;
    const std::optional<Recall>& from = forward ? change.recallBefore : change.recallAfter;
    const std::optional<Recall>& to = forward ? change.recallAfter : change.recallBefore;
    const qint64 appointmentId = (from ? from : to)->appointmentId;
    const std::optional<QString> refusal = replaceRecall(appointmentId, from, to);
    if (refusal && change.kind == Change::Kind::Recall)
        return refusal;
    // The appointment's part is done: the recall's refusal is told without undoing it.
    if (refusal)
        setAlertMessage(QStringLiteral("Il richiamo non è cambiato: ") + *refusal);
    return std::nullopt;
}

std::optional<QString> Store::applyAppointment(const Change& change, bool forward)
{
    const auto message = [](const std::optional<SaveRefusal>& refusal) -> std::optional<QString> {
        if (!refusal)
            return std::nullopt;
        return refusal->message + alternativesText(refusal->alternatives);
    };
    switch (change.kind) {
    case Change::Kind::Insert:
        return forward ? message(write(change.after, std::nullopt, WriteMode::Restore))
                       : removeExpected(change.after);
    case Change::Kind::Update:
        return forward ? message(write(change.after, change.before)) : message(write(change.before, change.after));
    case Change::Kind::Delete:
        return forward ? removeExpected(change.before)
                       : message(write(change.before, std::nullopt, WriteMode::Restore));
    case Change::Kind::Status:
        return forward ? changeExpectedStatus(change.before.id, change.statusBefore, change.statusAfter)
                       : changeExpectedStatus(change.before.id, change.statusAfter, change.statusBefore);
    case Change::Kind::Cancel:
        return forward ? cancelExpected(change.before, change.by, change.reason) : restoreCancelled(change.before.id);
    case Change::Kind::Recall:
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<QString> Store::removeExpected(const Appointment& expected)
{
    std::optional<QString> refusal;
    try {
        // Judged and removed in one transaction: a change made elsewhere in between is never lost.
        (void)m_archive.deleteAppointment(expected.id, [&](const std::optional<Appointment>& stored) {
            if (*stored == expected)
                return true;
            refusal = changedElsewhereText(expected, *stored);
            return false;
        });
    } catch (const DatabaseError& error) {
        refusal = QStringLiteral("Errore durante l'eliminazione: ") + error.message();
    }
    reload();
    return refusal;
}
