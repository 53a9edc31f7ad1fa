#pragma once

#include <QColor>
#include <QDate>
#include <QList>
#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// One modal question or message: a main text, an informative text, optional lines listed in full under
// them (in a list that scrolls when long) and buttons (the first is the default).
struct DialogRequest {
    struct Button {
        QString text;
        QMessageBox::ButtonRole role = QMessageBox::AcceptRole;
    };
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;   // main text
    QString message; // informative text
    QStringList lines; // e.g. the appointments a question is about, one per line
    QList<Button> buttons;
    int escapeIndex = -1; // the button that Escape presses; -1 for none
    QPixmap iconPixmap;   // when set, shown instead of the standard icon (the about box's application icon)
};

// Every modal piece that waits for a person goes through here, so tests (and the screenshot and
// self-check modes) can answer it without a person.
namespace Dialogs {

// A message with one "OK" button, which Escape presses too.
[[nodiscard]] DialogRequest notice(QMessageBox::Icon icon, const QString& title, const QString& message);
// Shows that message and waits for it to be closed.
void tell(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& message);

// The box, built but not shown.
[[nodiscard]] QMessageBox* build(QWidget* parent, const DialogRequest& request);

// Shows the box and waits; returns the index of the pressed button (escapeIndex when dismissed).
int exec(QWidget* parent, const DialogRequest& request);

// Opens the box over its window and returns at once; done receives the pressed index when it closes.
void open(QWidget* parent, const DialogRequest& request, std::function<void(int)> done);

// The platform's colour chooser, without an opacity control; absent when cancelled.
[[nodiscard]] std::optional<QColor> chooseColor(QWidget* parent, const QColor& initial);

// Asks for a day: a main text, an informative text and a date field starting at `initial`; absent when
// cancelled. The buttons read `confirm` and "Annulla".
[[nodiscard]] std::optional<QDate> chooseDate(QWidget* parent, const QString& title, const QString& message,
                                              const QDate& initial, const QString& confirm);

// Asks for a text of several lines (words copied from paper); absent when cancelled. The buttons read
// `confirm` and "Annulla".
[[nodiscard]] std::optional<QString> askText(QWidget* parent, const QString& title, const QString& message,
                                             const QString& confirm);

// The platform's dialogs for a file to write (starting at `suggested`, a path or a name, offering the
// filter, e.g. "Calendario (*.ics)") and for a folder; absent when cancelled.
[[nodiscard]] std::optional<QString> chooseSaveFile(QWidget* parent, const QString& title, const QString& suggested,
                                                    const QString& filter);
[[nodiscard]] std::optional<QString> chooseFolder(QWidget* parent, const QString& title, const QString& initial);

// Test hooks. Queued answers are used, in order, instead of showing anything: the button with that role
// is pressed (the first one, if several have it).
void answerNext(QMessageBox::ButtonRole role);
void answerNextColor(const std::optional<QColor>& color);
void answerNextDate(const std::optional<QDate>& day);
void answerNextText(const std::optional<QString>& text);
// The path the next file or folder dialog answers (absent: cancelled).
void answerNextPath(const std::optional<QString>& path);
// Every request made since the last call, in order (also those answered by a queued answer).
[[nodiscard]] QList<DialogRequest> takeShown();

} // namespace Dialogs
