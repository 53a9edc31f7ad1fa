#pragma once

#include "Store.h"

#include <QList>
#include <QWidget>

#include <functional>

class QButtonGroup;
class QComboBox;
class QDateEdit;
class QLabel;
class QListWidget;
class QToolButton;

// "Primo posto libero": the receptionist says how long, with whom, from when, which part of the day and
// which weekdays, and sees the next free starts that fit, found by the store as she changes anything.
// Picking one (click, or Return anywhere in the panel: the current row, else the first) shows that day,
// calls `close` and opens the editor on a new appointment with that day, dentist, start and duration.
// When nothing suits, "Aggiungi alla lista d'attesa…" puts the patient on the waiting list with what
// was asked.
// The pickers are chosen by typing too (see ComboTyping), the day by typing it (see DateField). The
// content of a popup, like the search panel; `close` must hide it.
class FreeSlotPanel : public QWidget {
    Q_OBJECT

public:
    static constexpr int panelWidth = 460;
    static constexpr int shownSlots = 10;

    FreeSlotPanel(Store& store, std::function<void()> close, QWidget* parent);

    // The search as the controls hold it, and what it found.
    [[nodiscard]] SlotSearch search() const;
    [[nodiscard]] const QList<FreeSlot>& results() const { return m_results; }
    [[nodiscard]] QListWidget* list() const { return m_list; }
    // The line shown instead of the list; empty while the list is shown.
    [[nodiscard]] QString hint() const;

    // A booking for a patient of the recall list: the duration set, the patient named above the search,
    // and the editor that a pick opens filled with the patient's name, phone and the recall's kind.
    void bookFor(const Recall& recall, int durationMinutes);
    void pick(const FreeSlot& slot);
    // Closes the panel and opens the waiting list's form, filled with what was asked.
    void addToWaitingList();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWidget* buildWeekdays();
    void pickChosen();
    void refresh();
    [[nodiscard]] QString rowText(const FreeSlot& slot) const;

    Store& m_store;
    std::function<void()> m_close;
    QList<FreeSlot> m_results;
    QComboBox* m_duration = nullptr;
    QComboBox* m_dentist = nullptr;
    QDateEdit* m_from = nullptr;
    QComboBox* m_part = nullptr;
    QList<QToolButton*> m_weekdays;
    QLabel* m_hint = nullptr;
    QLabel* m_patient = nullptr;
    std::optional<Recall> m_recall;
    QListWidget* m_list = nullptr;
};
