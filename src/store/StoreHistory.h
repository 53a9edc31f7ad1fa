#pragma once

#include "Store.h"

#include <QUndoCommand>

// One change of the agenda that can be undone: the appointment before and after it. For an insert
// both are the inserted appointment, for a delete, a status change or a cancellation both are that one.
struct Store::Change {
    enum class Kind { Insert, Update, Delete, Status, Cancel, Recall };
    Kind kind = Kind::Update;
    Appointment before;
    Appointment after;
    QString text; // what the menu names, e.g. "spostamento di Mario Rossi"
    // For Status: the status before and after. For Cancel: who cancelled and why.
    DayStatus statusBefore{};
    DayStatus statusAfter{};
    CancelledBy by = CancelledBy::Patient;
    QString reason{};
    // The appointment's recall before and after, when the change wrote one (for Recall, the whole change).
    bool recallWritten = false;
    std::optional<::Recall> recallBefore{};
    std::optional<::Recall> recallAfter{};
};

// The same day, dentist and start: a change between the two did not move the appointment.
[[nodiscard]] inline bool samePlace(const Appointment& a, const Appointment& b)
{
    return a.day == b.day && a.dentistId == b.dentistId && a.startMinutes == b.startMinutes;
}

// The history's entry for a change. It does nothing by itself: the Store makes the change in the
// archive (checked by the rules) and only then moves the history, so a refused undo leaves it as it was.
class ChangeCommand : public QUndoCommand {
public:
    explicit ChangeCommand(Store::Change change)
        : QUndoCommand(change.text)
        , m_change(std::move(change))
    {
    }
    [[nodiscard]] const Store::Change& change() const { return m_change; }
    void undo() override {}
    void redo() override {}

private:
    Store::Change m_change;
};
