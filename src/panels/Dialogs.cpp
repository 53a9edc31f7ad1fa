#include "Dialogs.h"

#include <QCalendarWidget>
#include <QColorDialog>
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QVBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
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

QQueue<std::optional<QString>>& textAnswers()
{
    static QQueue<std::optional<QString>> queue;
    return queue;
}

QQueue<std::optional<QDate>>& dateAnswers()
{
    static QQueue<std::optional<QDate>> queue;
    return queue;
}

QQueue<std::optional<QString>>& pathAnswers()
{
    static QQueue<std::optional<QString>> queue;
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

// The main text in bold and the informative text under it, as a message box shows them.
void addTexts(QDialog* dialog, QBoxLayout* column, const QString& title, const QString& message)
{
    auto* heading = new QLabel(title, dialog);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    heading->setWordWrap(true);
    column->addWidget(heading);
    auto* text = new QLabel(message, dialog);
    text->setWordWrap(true);
    column->addWidget(text);
}

QStyle::StandardPixmap standardIcon(QMessageBox::Icon icon)
{
    switch (icon) {
    case QMessageBox::Warning:
        return QStyle::SP_MessageBoxWarning;
    case QMessageBox::Critical:
        return QStyle::SP_MessageBoxCritical;
    case QMessageBox::Question:
        return QStyle::SP_MessageBoxQuestion;
    default:
        return QStyle::SP_MessageBoxInformation;
    }
}

// A request with lines: a message box grows with its text, so a long list would run off the screen; here
// the lines scroll between the texts and the buttons.
class LinesBox : public QDialog {
public:
    LinesBox(QWidget* parent, const DialogRequest& request)
        : QDialog(parent)
        , m_pressed(request.escapeIndex)
    {
        setWindowTitle(request.title);
        auto* row = new QHBoxLayout(this);
        if (request.icon != QMessageBox::NoIcon) {
            auto* icon = new QLabel(this);
            const int side = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
            icon->setPixmap(style()->standardIcon(standardIcon(request.icon), nullptr, this).pixmap(side, side));
            row->addWidget(icon, 0, Qt::AlignTop);
        }
        auto* column = new QVBoxLayout;
        row->addLayout(column, 1);
        addTexts(this, column, request.title, request.message);
        auto* list = new QListWidget(this);
        list->setObjectName(QStringLiteral("dialogLines"));
        list->addItems(request.lines);
        list->setSelectionMode(QAbstractItemView::NoSelection);
        list->setFocusPolicy(Qt::NoFocus); // the buttons keep the keyboard; the list only scrolls
        list->setMinimumWidth(420);
        column->addWidget(list, 1);
        auto* buttons = new QDialogButtonBox(this);
        for (qsizetype i = 0; i < request.buttons.size(); ++i) {
            const DialogRequest::Button& b = request.buttons[i];
            // The two enumerations share their values.
            QPushButton* button = buttons->addButton(b.text, QDialogButtonBox::ButtonRole(int(b.role)));
            button->setDefault(i == 0);
            connect(button, &QPushButton::clicked, this, [this, i] {
                m_pressed = int(i);
                accept();
            });
        }
        column->addWidget(buttons);
    }

    [[nodiscard]] int pressed() const { return m_pressed; }

private:
    int m_pressed;
};

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

DialogRequest notice(QMessageBox::Icon icon, const QString& title, const QString& message)
{
    DialogRequest request;
    request.icon = icon;
    request.title = title;
    request.message = message;
    request.buttons = {{QStringLiteral("OK"), QMessageBox::AcceptRole}};
    request.escapeIndex = 0;
    return request;
}

void tell(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& message)
{
    (void)exec(parent, notice(icon, title, message));
}

int exec(QWidget* parent, const DialogRequest& request)
{
    shown().append(request);
    if (!answers().isEmpty())
        return queuedAnswer(request);
    if (!request.lines.isEmpty()) {
        LinesBox box(parent, request);
        box.exec();
        return box.pressed();
    }
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
    if (!request.lines.isEmpty()) {
        auto* box = new LinesBox(parent, request);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::WindowModal);
        QObject::connect(box, &QDialog::finished, box, [box, done = std::move(done)](int) { done(box->pressed()); });
        box->open();
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

namespace {

// A question with one field, confirm and "Annulla": recorded like every dialog, for the tests.
void recordQuestion(const QString& title, const QString& message, const QString& confirm)
{
    DialogRequest request;
    request.title = title;
    request.message = message;
    request.buttons = {{confirm, QMessageBox::AcceptRole}, {QStringLiteral("Annulla"), QMessageBox::RejectRole}};
    request.escapeIndex = 1;
    shown().append(request);
}

// Adds the field and the two buttons under the texts and runs the dialog: whether it was confirmed.
bool runWithField(QDialog& dialog, QVBoxLayout& column, QWidget* field, const QString& confirm)
{
    column.addWidget(field);
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(confirm, QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Annulla"), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    column.addWidget(buttons);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace

std::optional<QDate> chooseDate(QWidget* parent, const QString& title, const QString& message, const QDate& initial,
                                const QString& confirm)
{
    recordQuestion(title, message, confirm);
    if (!dateAnswers().isEmpty())
        return dateAnswers().dequeue();
    QDialog dialog(parent);
    dialog.setWindowTitle(title);
    auto* column = new QVBoxLayout(&dialog);
    addTexts(&dialog, column, title, message);
    auto* field = new QDateEdit(initial, &dialog);
    field->setLocale(QLocale(QLocale::Italian, QLocale::Italy));
    field->setCalendarPopup(true);
    field->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    field->calendarWidget()->setFirstDayOfWeek(Qt::Monday);
    if (!runWithField(dialog, *column, field, confirm))
        return std::nullopt;
    return field->date();
}

std::optional<QString> askText(QWidget* parent, const QString& title, const QString& message, const QString& confirm)
{
    recordQuestion(title, message, confirm);
    if (!textAnswers().isEmpty())
        return textAnswers().dequeue();
    QDialog dialog(parent);
    dialog.setWindowTitle(title);
    auto* column = new QVBoxLayout(&dialog);
    addTexts(&dialog, column, title, message);
    auto* field = new QPlainTextEdit(&dialog);
    field->setAccessibleName(title);
    field->setTabChangesFocus(true);
    if (!runWithField(dialog, *column, field, confirm))
        return std::nullopt;
    return field->toPlainText();
}

void answerNextText(const std::optional<QString>& text)
{
    textAnswers().enqueue(text);
}

void answerNextDate(const std::optional<QDate>& day)
{
    dateAnswers().enqueue(day);
}

void answerNextColor(const std::optional<QColor>& color)
{
    colorAnswers().enqueue(color);
}

std::optional<QString> chooseSaveFile(QWidget* parent, const QString& title, const QString& suggested,
                                      const QString& filter)
{
    if (!pathAnswers().isEmpty())
        return pathAnswers().dequeue();
    const QString chosen = QFileDialog::getSaveFileName(parent, title, suggested, filter);
    return chosen.isEmpty() ? std::nullopt : std::optional<QString>(chosen);
}

std::optional<QString> chooseFolder(QWidget* parent, const QString& title, const QString& initial)
{
    if (!pathAnswers().isEmpty())
        return pathAnswers().dequeue();
    const QString chosen = QFileDialog::getExistingDirectory(parent, title, initial);
    return chosen.isEmpty() ? std::nullopt : std::optional<QString>(chosen);
}

void answerNextPath(const std::optional<QString>& path)
{
    pathAnswers().enqueue(path);
}

QList<DialogRequest> takeShown()
{
    return std::exchange(shown(), {});
}

} // namespace Dialogs
