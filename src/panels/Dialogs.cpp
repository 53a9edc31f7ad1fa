#include "Dialogs.h"

#include <QCalendarWidget>
#include <QColorDialog>
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QVBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QQueue>
#include <QTimer>

namespace {

QQueue<QMessageBox::ButtonRole>& answers()
{
    static QQueue<QMessageBox::ButtonRole> queue;
    return queue;
}

// The queued answer as the index of the request's first button with that role; a role the request
// has no button for is a wrong test: it counts as dismissing the box.
int queuedAnswer(const DialogRequest& request)
{
    const QMessageBox::ButtonRole role = answers().dequeue();
    for (qsizetype i = 0; i < request.buttons.size(); ++i)
        if (request.buttons[i].role == role)
            return int(i);
    qWarning("Dialogs: no button with the answered role in \"%s\"", qPrintable(request.title));
    return request.escapeIndex;
}

QQueue<std::optional<QColor>>& colorAnswers()
{
    static QQueue<std::optional<QColor>> queue;
    return queue;
}

QQueue<std::optional<QDate>>& dateAnswers()
{
    static QQueue<std::optional<QDate>> queue;
    return queue;
}

QList<DialogRequest>& shown()
{
    static QList<DialogRequest> list;
    return list;
}

int pressedIndex(const QMessageBox* box, const QList<QAbstractButton*>& buttons, int escapeIndex)
{
    const int index = int(buttons.indexOf(box->clickedButton()));
    return index >= 0 ? index : escapeIndex;
}

} // namespace

namespace Dialogs {

QMessageBox* build(QWidget* parent, const DialogRequest& request)
{
    auto* box = new QMessageBox(parent);
    box->setIcon(request.icon);
    if (!request.iconPixmap.isNull())
        box->setIconPixmap(request.iconPixmap);
    box->setText(request.title);
    box->setInformativeText(request.message);
    // Qt wraps the informative text very narrowly; a path or a two-line reason needs room.
    if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        label->setMinimumWidth(380);
    box->setWindowTitle(request.title);
    QList<QAbstractButton*> buttons;
    for (const DialogRequest::Button& b : request.buttons)
        buttons.append(box->addButton(b.text, b.role));
    if (!buttons.isEmpty())
        box->setDefaultButton(qobject_cast<QPushButton*>(buttons.first()));
    if (request.escapeIndex >= 0 && request.escapeIndex < buttons.size())
        box->setEscapeButton(buttons[request.escapeIndex]);
    box->setProperty("calvoraButtons", QVariant::fromValue(buttons));
    return box;
}

int exec(QWidget* parent, const DialogRequest& request)
{
    shown().append(request);
    if (!answers().isEmpty())
        return queuedAnswer(request);
    QMessageBox* box = build(parent, request);
    const auto buttons = box->property("calvoraButtons").value<QList<QAbstractButton*>>();
    box->exec();
    const int index = pressedIndex(box, buttons, request.escapeIndex);
    delete box;
    return index;
}

void open(QWidget* parent, const DialogRequest& request, std::function<void(int)> done)
{
    shown().append(request);
    if (!answers().isEmpty()) {
        const int answer = queuedAnswer(request);
        QTimer::singleShot(0, parent, [done = std::move(done), answer] { done(answer); });
        return;
    }
    QMessageBox* box = build(parent, request);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    const auto buttons = box->property("calvoraButtons").value<QList<QAbstractButton*>>();
    const int escapeIndex = request.escapeIndex;
    QObject::connect(box, &QMessageBox::finished, box,
                     [box, buttons, escapeIndex, done = std::move(done)](int) {
                         done(pressedIndex(box, buttons, escapeIndex));
                     });
    box->open();
}

std::optional<QColor> chooseColor(QWidget* parent, const QColor& initial)
{
    if (!colorAnswers().isEmpty())
        return colorAnswers().dequeue();
    const QColor chosen = QColorDialog::getColor(initial, parent, QStringLiteral("Colore"));
    if (!chosen.isValid())
        return std::nullopt;
    return chosen;
}

void answerNext(QMessageBox::ButtonRole role)
{
    answers().enqueue(role);
}

std::optional<QDate> chooseDate(QWidget* parent, const QString& title, const QString& message, const QDate& initial,
                                const QString& confirm)
{
    DialogRequest request;
    request.title = title;
    request.message = message;
    request.buttons = {{confirm, QMessageBox::AcceptRole}, {QStringLiteral("Annulla"), QMessageBox::RejectRole}};
    request.escapeIndex = 1;
    shown().append(request);
    if (!dateAnswers().isEmpty())
        return dateAnswers().dequeue();
    QDialog dialog(parent);
    dialog.setWindowTitle(title);
    auto* column = new QVBoxLayout(&dialog);
    auto* heading = new QLabel(title, &dialog);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    column->addWidget(heading);
    auto* text = new QLabel(message, &dialog);
    text->setWordWrap(true);
    column->addWidget(text);
    auto* field = new QDateEdit(initial, &dialog);
    field->setLocale(QLocale(QLocale::Italian, QLocale::Italy));
    field->setCalendarPopup(true);
    field->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    field->calendarWidget()->setFirstDayOfWeek(Qt::Monday);
    column->addWidget(field);
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(confirm, QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Annulla"), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    column->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return field->date();
}

void answerNextDate(const std::optional<QDate>& day)
{
    dateAnswers().enqueue(day);
}

void answerNextColor(const std::optional<QColor>& color)
{
    colorAnswers().enqueue(color);
}

QList<DialogRequest> takeShown()
{
    return std::exchange(shown(), {});
}

} // namespace Dialogs
