#include "DateField.h"

#include "ClosedDayMarks.h"
#include "Store.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>

#include <cstdlib>

namespace {

// "dd/mm/yyyy"
constexpr qsizetype maximumTyped = 10;

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool isSeparator(QChar c)
{
    return c == u'/' || c == u'.' || c == u'-';
}

// Digits only: day, month and year of eight digits; separated: a year of four digits.
bool complete(const QString& typed)
{
    const QStringList parts = typed.split(u'/');
    return parts.size() == 1 ? typed.size() == 8 : parts.size() == 3 && parts[2].size() == 4;
}

// The day and month in the year of `shown`, the year before or the year after, whichever is nearest.
QDate nearestYear(int day, int month, const QDate& shown)
{
    QDate best;
    for (const int year : {shown.year() - 1, shown.year(), shown.year() + 1}) {
        const QDate candidate(year, month, day);
        if (candidate.isValid()
            && (!best.isValid() || std::abs(candidate.daysTo(shown)) < std::abs(best.daysTo(shown))))
            best = candidate;
    }
    return best;
}

} // namespace

DateField::DateField(const QDate& day, QWidget* parent)
    : QDateEdit(day, parent)
{
}

std::optional<QDate> DateField::parseTyped(const QString& typed, const QDate& shown)
{
    QStringList parts = typed.split(u'/');
    if (parts.size() > 1 && parts.last().isEmpty())
        parts.removeLast();
    if (parts.size() == 1 && parts[0].size() > 2) {
        const QString digits = parts[0];
        if (digits.size() != 4 && digits.size() != 6 && digits.size() != 8)
            return std::nullopt;
        parts = {digits.left(2), digits.mid(2, 2)};
        if (digits.size() > 4)
            parts.append(digits.mid(4));
    }
    QList<int> numbers;
    for (const QString& part : std::as_const(parts)) {
        bool ok = false;
        numbers.append(part.toInt(&ok));
        if (!ok)
            return std::nullopt;
    }
    if (parts.size() > 3 || parts[0].size() > 2 || (parts.size() > 1 && parts[1].size() > 2))
        return std::nullopt;
    QDate day;
    if (numbers.size() == 1)
        day = QDate(shown.year(), shown.month(), numbers[0]);
    else if (numbers.size() == 2)
        day = nearestYear(numbers[0], numbers[1], shown);
    else if (parts[2].size() == 2 || parts[2].size() == 4)
        day = QDate(parts[2].size() == 2 ? 2000 + numbers[2] : numbers[2], numbers[1], numbers[0]);
    return day.isValid() ? std::optional(day) : std::nullopt;
}

void DateField::keyPressEvent(QKeyEvent* event)
{
    const QString text = event->text();
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (plain && text.size() == 1 && (isDigit(text[0]) || (m_typing && isSeparator(text[0])))) {
        type(text[0]);
        event->accept();
        return;
    }
    if (m_typing) {
        const int key = event->key();
        if (key == Qt::Key_Escape) {
            cancelTyped();
            event->accept();
            return;
        }
        if (key == Qt::Key_Backspace) {
            m_typed.chop(1);
            if (m_typed.isEmpty())
                cancelTyped();
            else
                showTyped();
            event->accept();
            return;
        }
        // Any other key acts on the typed date; a refused one stops a Return from saving or picking.
        if (!commitTyped() && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            event->accept();
            return;
        }
    }
    QDateEdit::keyPressEvent(event);
}

void DateField::type(QChar character)
{
    if (!m_typing) {
        m_typing = true;
        m_typed.clear();
    }
    const QChar next = isSeparator(character) ? QChar(u'/') : character;
    // Nothing beyond a whole date, and no separator after a separator.
    if (complete(m_typed) || m_typed.size() >= maximumTyped
        || (next == u'/' && (m_typed.isEmpty() || m_typed.endsWith(u'/'))))
        return;
    m_typed.append(next);
    if (complete(m_typed))
        commitTyped();
    else
        showTyped();
}

// Digits alone are shown as dd/mm/yyyy while they come.
void DateField::showTyped()
{
    QString shown = m_typed;
    if (!m_typed.contains(u'/')) {
        if (shown.size() > 4)
            shown.insert(4, u'/');
        if (shown.size() > 2)
            shown.insert(2, u'/');
    }
    // The spin box would read the half-typed text as a date and put its own back.
    const QSignalBlocker blocker(lineEdit());
    lineEdit()->setText(shown);
    lineEdit()->setCursorPosition(int(shown.size()));
}

bool DateField::commitTyped()
{
    if (!m_typing)
        return true;
    const std::optional<QDate> day = parseTyped(m_typed, date());
    m_typing = false;
    m_typed.clear();
    if (!day)
        QApplication::beep();
    const QDate before = date();
    setDate(day.value_or(before));
    if (date() == before)
        lineEdit()->setText(textFromDateTime(dateTime()));
    return day.has_value();
}

void DateField::cancelTyped()
{
    m_typing = false;
    m_typed.clear();
    lineEdit()->setText(textFromDateTime(dateTime()));
}

void DateField::focusOutEvent(QFocusEvent* event)
{
    commitTyped();
    QDateEdit::focusOutEvent(event);
}

bool DateField::focusNextPrevChild(bool next)
{
    commitTyped();
    // Past the spin box's own stepping through the parts of the date.
    return QWidget::focusNextPrevChild(next);
}

void DateField::mousePressEvent(QMouseEvent* event)
{
    commitTyped();
    QDateEdit::mousePressEvent(event);
    markCalendar();
}

// The pop-up's calendar is made by the first click on the arrow; it is looked for, never made here.
void DateField::markCalendar()
{
    if (!m_closedDaysOf)
        return;
    auto* calendar = findChild<QCalendarWidget*>();
    if (!calendar)
        return;
    if (calendar != m_followed) {
        m_followed = calendar;
        ClosedDayMarks::follow(calendar, *m_closedDaysOf);
    } else {
        ClosedDayMarks::mark(calendar, m_closedDaysOf->closedPeriods());
    }
}
