#pragma once

#include "DateField.h"

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPalette>

class QDate;
class QLabel;
class QPushButton;
class QString;
class Store;

// The few text styles and symbols the panels share, derived from the application font so that they
// follow the platform's size (body text is the application font).
namespace PanelStyle {

[[nodiscard]] QFont body();
// A little smaller than body text: hints, notes, search rows.
[[nodiscard]] QFont callout();
// Small text: captions, details lines, paths.
[[nodiscard]] QFont caption();
// Bold, body size: titles of popups.
[[nodiscard]] QFont headline();
// The second title size, semibold: the title of the appointment editor.
[[nodiscard]] QFont title2();

// Digits of equal width where the Qt version can ask the font for them.
[[nodiscard]] QFont withTabularDigits(QFont font);

// Grey text for secondary information, readable on the palette's window and base colours.
[[nodiscard]] QColor secondaryText(const QPalette& palette);
// The red of error lines and destructive buttons.
[[nodiscard]] QColor errorRed();
// The dark orange of notices about another computer's changes: attention, not an error.
[[nodiscard]] QColor noticeOrange();

// A date field with a calendar pop-up in Italian, weeks from Monday, showing `format` (Qt's notation); it
// also takes a typed date (see DateField). Given a store, the pop-up marks the practice's closed days.
[[nodiscard]] DateField* dateField(const QString& objectName, const QDate& day, const QString& format,
                                   QWidget* parent, const Store* closedDaysOf = nullptr);

// Gives a label a font and a text colour.
void style(QLabel* label, const QFont& font, const QColor& color);

// Draws a push button in the accent colour, as the one button that confirms (disabled: as usual).
void makeProminent(QPushButton* button);

// A bulleted list (three dots with lines), drawn in the palette's text colour.
[[nodiscard]] QIcon listBulletIcon(const QPalette& palette);
// A filled warning triangle with an exclamation mark, in errorRed(), `size` pixels square.
[[nodiscard]] QPixmap warningTrianglePixmap(int size, qreal devicePixelRatio);

} // namespace PanelStyle
