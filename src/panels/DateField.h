#pragma once

#include <QDateEdit>
#include <QPointer>
#include <QString>

#include <optional>

class QCalendarWidget;
class Store;

// A date field with a calendar pop-up (made by PanelStyle::dateField) that also takes a date typed as
// digits, without selecting its parts first: "05122024", "5/12/2024" (or with "." or "-"), "5/12/24".
// While typing, the field shows what was typed, slashes added; the date is taken as soon as its year
// has four digits, or on Return, Tab or leaving the field, where "0512" or "5/12" mean the nearest
// such day to the date shown and "5" that day of the month shown. A day that does not exist is
// refused with a beep and the field shows its date again, as Escape does while typing; Return then
// goes no further. Tab leaves the field rather than stepping through its parts.
class DateField : public QDateEdit {
    Q_OBJECT

public:
    DateField(const QDate& day, QWidget* parent);

    // From now on the calendar pop-up marks the days the store's practice is closed. The store must
    // outlive the field; null marks nothing.
    void markClosedDaysOf(const Store* store) { m_closedDaysOf = store; }

    // Whether typed digits are waiting to become the date.
    [[nodiscard]] bool typing() const { return m_typing; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    // The day that typed text names, taking what it leaves out from `shown`; absent when it names none.
    [[nodiscard]] static std::optional<QDate> parseTyped(const QString& typed, const QDate& shown);
    void type(QChar character);
    void showTyped();
    // Takes the typed date; false (after a beep, showing the date again) when it names no day.
    bool commitTyped();
    void cancelTyped();
    void markCalendar();

    QString m_typed;
    bool m_typing = false;
    const Store* m_closedDaysOf = nullptr;
    QPointer<QCalendarWidget> m_followed;
};
