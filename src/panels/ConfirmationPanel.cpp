#include "ConfirmationPanel.h"

#include "Cal.h"
#include "CallListPrint.h"
#include "Clock.h"
#include "DateField.h"
#include "PanelStyle.h"
#include "ReminderExport.h"
#include "Schedule.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column { TimeColumn, PatientColumn, DentistColumn, PhoneColumn, AttemptsColumn, StatusColumn, ColumnCount };

std::optional<QString> chooseWithDialog(QWidget* parent, const QString& suggested)
{
    const QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("Esporta promemoria"), suggested,
                                                      QStringLiteral("File CSV (*.csv)"));
    return path.isEmpty() ? std::nullopt : std::optional<QString>(path);
}

QString countText(qsizetype count)
{
    if (count == 0)
        return QStringLiteral("Nessun appuntamento da confermare.");
    return count == 1 ? QStringLiteral("1 appuntamento da confermare.")
                      : QString::number(count) + QStringLiteral(" appuntamenti da confermare.");
}

} // namespace

ConfirmationPanel::ConfirmationPanel(Store& store, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_store(store)
    , m_chooseFile(chooseWithDialog)
{
    setWindowTitle(QStringLiteral("Da confermare"));
    resize(760, 480);
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* dayLabel = new QLabel(QStringLiteral("Giorno"), this);
    m_day = PanelStyle::dateField(QStringLiteral("confirmDay"), m_store.nextOpenDay(Clock::today()),
                                  QStringLiteral("dddd dd/MM/yyyy"), this, &m_store);
    m_day->setMinimumWidth(220);
    dayLabel->setBuddy(m_day);
    top->addWidget(dayLabel);
    top->addWidget(m_day);
    top->addStretch(1);
    layout->addLayout(top);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("confirmList"));
    m_list->setAccessibleName(QStringLiteral("Appuntamenti da confermare"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setColumnCount(ColumnCount);
    m_list->setHeaderLabels({QStringLiteral("Ora"), QStringLiteral("Paziente"), QStringLiteral("Dentista"),
                             QStringLiteral("Telefono"), QStringLiteral("Tentativi"), QStringLiteral("Stato")});
    m_list->header()->setSectionResizeMode(PatientColumn, QHeaderView::Stretch);
    m_list->header()->setStretchLastSection(false);
    layout->addWidget(m_list, 1);

    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("confirmMessage"));
    m_message->setWordWrap(true);
    layout->addWidget(m_message);

    auto* buttons = new QHBoxLayout;
    m_confirm = new QPushButton(QStringLiteral("Confermato"), this);
    m_confirm->setObjectName(QStringLiteral("confirmButton"));
    m_confirm->setToolTip(QStringLiteral("Segna l'appuntamento come confermato (C)"));
    m_noAnswer = new QPushButton(QStringLiteral("Non risponde"), this);
    m_noAnswer->setToolTip(QStringLiteral("Conta una chiamata senza risposta (N)"));
    auto* print = new QPushButton(QStringLiteral("Stampa…"), this);
    auto* exportButton = new QPushButton(QStringLiteral("Esporta…"), this);
    exportButton->setToolTip(QStringLiteral("Scrive il file dei promemoria SMS del giorno"));
    for (QPushButton* b : {m_confirm, m_noAnswer})
        b->setAutoDefault(false);
    buttons->addWidget(m_confirm);
    buttons->addWidget(m_noAnswer);
    buttons->addStretch(1);
    buttons->addWidget(print);
    buttons->addWidget(exportButton);
    layout->addLayout(buttons);

    // One key per outcome while the list has the focus, so that typing in the date field stays typing.
    const auto key = [this](const QKeySequence& sequence, void (ConfirmationPanel::*slot)()) {
        auto* action = new QAction(m_list);
        action->setShortcut(sequence);
        action->setShortcutContext(Qt::WidgetShortcut);
        connect(action, &QAction::triggered, this, slot);
        m_list->addAction(action);
    };
    key(QKeySequence(Qt::Key_C), &ConfirmationPanel::confirmSelected);
    key(QKeySequence(Qt::Key_N), &ConfirmationPanel::noAnswerSelected);

    connect(m_confirm, &QPushButton::clicked, this, &ConfirmationPanel::confirmSelected);
    connect(m_noAnswer, &QPushButton::clicked, this, &ConfirmationPanel::noAnswerSelected);
    connect(print, &QPushButton::clicked, this, &ConfirmationPanel::printList);
    connect(exportButton, &QPushButton::clicked, this, &ConfirmationPanel::exportReminders);
    connect(m_day, &QDateEdit::dateChanged, this, [this] {
        setMessage({});
        refresh();
        select(m_lines.isEmpty() ? std::nullopt : std::optional<qint64>(m_lines.first().appointment.id));
    });
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] {
        m_confirm->setEnabled(selectedId().has_value());
        m_noAnswer->setEnabled(selectedId().has_value());
    });
    // Bookings, moves and statuses changed here or on another computer.
    connect(&m_store, &Store::changed, this, &ConfirmationPanel::refreshSoon);
    refresh();
    if (!m_lines.isEmpty())
        select(m_lines.first().appointment.id);
    m_list->setFocus();
}

QDate ConfirmationPanel::day() const
{
    return m_day->date();
}

void ConfirmationPanel::setDay(const QDate& day)
{
    m_day->setDate(day);
}

std::optional<qint64> ConfirmationPanel::selectedId() const
{
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty())
        return std::nullopt;
    return selected.first()->data(TimeColumn, Qt::UserRole).toLongLong();
}

QString ConfirmationPanel::message() const
{
    return m_message->text();
}

void ConfirmationPanel::refreshSoon()
{
    if (m_refreshQueued)
        return;
    m_refreshQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_refreshQueued = false;
        refresh();
    });
}

void ConfirmationPanel::refresh()
{
    const std::optional<qint64> selected = selectedId();
    const std::optional<QList<Store::ToConfirm>> lines = m_store.appointmentsToConfirm(day());
    if (!lines) {
        // The last list read stays, and says it may be out of date.
        setMessage(Store::unansweredText(), true);
        return;
    }
    m_lines = *lines;
    m_list->clear();
    for (const Store::ToConfirm& line : m_lines) {
        const Appointment& a = line.appointment;
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(TimeColumn, Schedule::clockText(a.startMinutes));
        item->setData(TimeColumn, Qt::UserRole, a.id);
        item->setText(PatientColumn, a.patient);
        item->setText(DentistColumn, line.dentist);
        item->setText(PhoneColumn, a.phone);
        item->setText(AttemptsColumn, line.status.callAttempts > 0 ? QString::number(line.status.callAttempts) : QString());
        item->setTextAlignment(AttemptsColumn, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(StatusColumn, AppointmentStatuses::label(line.status.status));
    }
    for (int c : {TimeColumn, DentistColumn, PhoneColumn, AttemptsColumn, StatusColumn})
        m_list->resizeColumnToContents(c);
    select(selected);
    if (m_message->text().isEmpty() || m_showsCount) {
        setMessage(countText(m_lines.size()));
        m_showsCount = true;
    }
}

void ConfirmationPanel::select(std::optional<qint64> id)
{
    for (int i = 0; id && i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_list->topLevelItem(i);
        if (item->data(TimeColumn, Qt::UserRole).toLongLong() == *id) {
            m_list->setCurrentItem(item);
            return;
        }
    }
    m_list->clearSelection();
    m_confirm->setEnabled(false);
    m_noAnswer->setEnabled(false);
}

void ConfirmationPanel::mark(const std::function<std::optional<QString>(qint64)>& change)
{
    const std::optional<qint64> id = selectedId();
    if (!id)
        return;
    // The call after this one: the row that follows, whether this one leaves the list or stays.
    std::optional<qint64> next;
    for (qsizetype i = 0; i + 1 < m_lines.size(); ++i)
        if (m_lines[i].appointment.id == *id)
            next = m_lines[i + 1].appointment.id;
    const std::optional<QString> refusal = change(*id);
    m_showsCount = true;
    refresh();
    if (refusal) {
        setMessage(*refusal, true);
        select(id);
        return;
    }
    select(next ? next : id);
}

void ConfirmationPanel::confirmSelected()
{
    mark([this](qint64 id) { return m_store.setStatus(id, AppointmentStatus::Confirmed); });
}

void ConfirmationPanel::noAnswerSelected()
{
    mark([this](qint64 id) { return m_store.recordCallAttempt(id); });
}

void ConfirmationPanel::printList()
{
    CallListPrint::Sheet sheet;
    sheet.title = QStringLiteral("Da confermare \u2013 ") + Cal::format(day(), QStringLiteral("EEEEdMMMMy"));
    for (const Store::ToConfirm& line : m_lines)
        sheet.lines.append({Schedule::clockText(line.appointment.startMinutes), line.appointment.patient,
                            line.appointment.phone, line.dentist, line.status.callAttempts});
    CallListPrint::print(this, sheet);
}

void ConfirmationPanel::exportReminders()
{
    const std::optional<QString> path =
        m_chooseFile(this, QDir::home().filePath(ReminderExport::fileName(day())));
    if (!path)
        return;
    QString error;
    const std::optional<int> written = ReminderExport::write(m_store, day(), *path, &error);
    if (!written) {
        setMessage(error, true);
        return;
    }
    setMessage((*written == 1 ? QStringLiteral("1 promemoria scritto in ")
                              : QString::number(*written) + QStringLiteral(" promemoria scritti in "))
               + QDir::toNativeSeparators(*path) + u'.');
}

void ConfirmationPanel::setMessage(const QString& text, bool error)
{
    m_showsCount = false;
    m_message->setText(text);
    QPalette palette = m_message->palette();
    palette.setColor(QPalette::WindowText, error ? PanelStyle::errorRed() : this->palette().color(QPalette::WindowText));
    m_message->setPalette(palette);
}

bool ConfirmationPanel::writeScreenshot(Store& store, const QString& path)
{
    ConfirmationPanel panel(store);
    if (panel.lines().size() > 1) {
        panel.select(panel.lines().at(1).appointment.id);
        panel.noAnswerSelected();
    }
    panel.show();
    QApplication::processEvents();
    return panel.grab().save(path);
}
