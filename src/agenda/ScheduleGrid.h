#pragma once

#include "Dentist.h"
#include "KeyboardCursor.h"

#include "Appointment.h"

#include <QList>
#include <QPointer>
#include <QWidget>

#include <optional>

class DentistColumn;
class DentistHeader;
class HeaderRow;
class QLabel;
class QScrollArea;
class Store;
class TimeColumn;

// The grid proper: the time column, then one column per visible day and dentist.
class GridBody : public QWidget {
    Q_OBJECT

public:
    GridBody(Store& store, QWidget* parent = nullptr);
    void sync();
    // The dentists of every day's columns, in order; the columns run day by day.
    [[nodiscard]] const QList<Dentist>& dentists() const { return m_dentists; }
    [[nodiscard]] const QList<DentistColumn*>& columns() const { return m_columns; }
    [[nodiscard]] TimeColumn* timeColumn() const { return m_time; }

signals:
    // A mouse button went down on a slot of a column.
    void columnPressed(DentistColumn* column, int slot);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutColumns();
    DentistColumn* newColumn();

    Store& m_store;
    TimeColumn* m_time;
    QList<Dentist> m_dentists;
    QList<DentistColumn*> m_columns;
    QList<DentistColumn*> m_spare; // hidden, ready for reuse
};

// The agenda of the visible days: a header row pinned above a vertically scrolling grid (or both
// stacked at full height when not scrolling). It follows the store on sync().
//
// The grid takes the keyboard focus and moves a keyboard cursor (KeyboardCursor) over the slots with
// the arrow keys; Page Up/Down show the previous/next week (a day in day view), Home/End go to the
// first/last slot of the day and, with Ctrl, to the first/last day on show. Return books the free slot
// (or says why a closed day takes no booking) or opens the appointment under the cursor, Delete
// (Backspace on macOS) asks to delete it, the menu key and Shift+F10 open its menu, and the status keys
// (C, A, N, D: see BlockMenu) give it a status. A click moves the
// cursor too; only the keys scroll to it. The cursor follows an appointment the user moves, and the grid
// first shows itself scrolled to the cursor.
class ScheduleGrid : public QWidget {
    Q_OBJECT

public:
    ScheduleGrid(Store& store, bool scrolls, QWidget* parent = nullptr);

    // Brings days, dentists, appointments and mode in line with the store. The cursor keeps its place.
    void sync();

    [[nodiscard]] HeaderRow* headerRow() const { return m_header; }
    [[nodiscard]] GridBody* body() const { return m_body; }
    [[nodiscard]] QScrollArea* scrollArea() const { return m_scroll; }
    // The line that says the days on show could not be read; hidden while they were.
    [[nodiscard]] QLabel* unloadedNotice() const { return m_unloaded; }
    // The column of a day (index into the visible days) and dentist (index into the dentists).
    [[nodiscard]] DentistColumn* column(int dayIndex, int dentistIndex) const;
    [[nodiscard]] const KeyboardCursor& keyboardCursor() const { return m_cursor; }
    // The column that holds the keyboard cursor; null when no column is on show.
    [[nodiscard]] DentistColumn* cursorColumn() const;
    // Brings an appointment of the days on show into view: the cursor on it, scrolled to, and its block
    // marked for a moment (a search result just picked).
    void reveal(const Appointment& appointment);

signals:
    void dentistClicked(DentistHeader* header);

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    enum class Command {
        Up, Down, Left, Right, PreviousPage, NextPage, FirstSlot, LastSlot, FirstDay, LastDay,
        Open, Delete, Menu,
    };
    [[nodiscard]] static std::optional<Command> commandFor(const QKeyEvent& event);
    void run(Command command);
    void pressed(DentistColumn* column, int slot);
    // Marks the cursor's column while the cursor is shown; scrolls to it and tells assistive
    // technology after a move of the user's.
    void showCursor();
    void cursorMoved(bool scroll);
    void scrollToCursor();
    void announceCursor();
    void openAtCursor();
    void deleteAtCursor();
    void openMenuAtCursor();
    // A status key (BlockMenu::statusKey) on the appointment under the cursor; false for other keys.
    bool setStatusAtCursor(const QKeyEvent& event);
    // The cursor onto an appointment of the days on show; false when it is not on show.
    bool placeCursorOn(const Appointment& appointment);
    void scrollToStart();

    Store& m_store;
    HeaderRow* m_header;
    GridBody* m_body;
    QScrollArea* m_scroll = nullptr;
    QLabel* m_unloaded = nullptr;
    KeyboardCursor m_cursor;
    // The cursor is drawn while the grid has the focus (and while a menu of its own is open).
    bool m_cursorShown = false;
    bool m_scrolledAtStart = false;
    QPointer<DentistColumn> m_markedColumn;
};
