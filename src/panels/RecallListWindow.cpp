#include "RecallListWindow.h"

#include "Cal.h"
#include "Clock.h"
#include "DatabaseError.h"
#include "Dialogs.h"
#include "PanelStyle.h"
#include "RecallExport.h"
#include "RecallListPrint.h"
#include "Store.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QString dayText(const QDate& day)
{
    return day.isValid() ? Cal::locale().toString(day, QStringLiteral("dd/MM/yyyy")) : QStringLiteral("–");
}

QString attemptsText(const Recall& r)
{
    if (r.attempts == 0)
        return QStringLiteral("–");
    const QDateTime last = QDateTime::fromString(r.lastAttemptAt, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return QString::number(r.attempts)
        + (last.isValid() ? QStringLiteral(" (l'ultimo il ") + Cal::locale().toString(last, QStringLiteral("d/M HH:mm")) + u')'
                          : QString());
}

QStringList rowTexts(const Recall& r)
{
    return {r.patient, r.phone, r.kind, dayText(r.due), dayText(r.lastVisit), attemptsText(r)};
}

} // namespace

RecallListWindow::RecallListWindow(Store& store, QWidget* parent)
    : QDialog(parent)
    , m_store(store)
    , m_month(Recalls::monthStart(Clock::today()))
{
    setObjectName(QStringLiteral("recallList"));
    setWindowTitle(QStringLiteral("Richiami"));
    setLocale(Cal::locale());
    resize(900, 460);
    auto* column = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* title = new QLabel(QStringLiteral("Richiami"), this);
    title->setFont(PanelStyle::title2());
    top->addWidget(title);
    top->addStretch(1);
    auto* previous = new QToolButton(this);
    previous->setArrowType(Qt::LeftArrow);
    previous->setAccessibleName(QStringLiteral("Mese precedente"));
    m_monthLabel = new QLabel(this);
    m_monthLabel->setObjectName(QStringLiteral("month"));
    m_monthLabel->setMinimumWidth(140);
    m_monthLabel->setAlignment(Qt::AlignCenter);
    auto* next = new QToolButton(this);
    next->setArrowType(Qt::RightArrow);
    next->setAccessibleName(QStringLiteral("Mese successivo"));
    auto* thisMonth = new QPushButton(QStringLiteral("Questo mese"), this);
    top->addWidget(previous);
    top->addWidget(m_monthLabel);
    top->addWidget(next);
    top->addWidget(thisMonth);
    column->addLayout(top);

    m_hint = new QLabel(this);
    m_hint->setObjectName(QStringLiteral("hint"));
    PanelStyle::style(m_hint, PanelStyle::callout(), PanelStyle::secondaryText(palette()));
    column->addWidget(m_hint);

    m_table = new QTreeWidget(this);
    m_table->setObjectName(QStringLiteral("recalls"));
    m_table->setAccessibleName(QStringLiteral("Pazienti da richiamare"));
    m_table->setRootIsDecorated(false);
    m_table->setUniformRowHeights(true);
    m_table->setHeaderLabels({QStringLiteral("Paziente"), QStringLiteral("Telefono"), QStringLiteral("Tipo"),
                              QStringLiteral("Scadenza"), QStringLiteral("Ultima visita"), QStringLiteral("Tentativi")});
    m_table->header()->setStretchLastSection(true);
    column->addWidget(m_table, 1);

    auto* buttons = new QHBoxLayout;
    const auto button = [&](const QString& text, const QString& name, void (RecallListWindow::*slot)()) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
        m_rowActions.append(b);
    };
    button(QStringLiteral("Prenota…"), QStringLiteral("book"), &RecallListWindow::book);
    button(QStringLiteral("Non risponde"), QStringLiteral("notAnswered"), &RecallListWindow::notAnswered);
    button(QStringLiteral("Rimanda…"), QStringLiteral("postpone"), &RecallListWindow::postpone);
    button(QStringLiteral("Non richiamare"), QStringLiteral("stop"), &RecallListWindow::stop);
    buttons->addStretch(1);
    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("message"));
    buttons->addWidget(m_message);
    auto* print = new QPushButton(QStringLiteral("Stampa…"), this);
    print->setObjectName(QStringLiteral("print"));
    print->setToolTip(QStringLiteral("Stampa l'elenco dei richiami del mese"));
    auto* exportButton = new QPushButton(QStringLiteral("Esporta…"), this);
    exportButton->setObjectName(QStringLiteral("export"));
    exportButton->setToolTip(QStringLiteral("Scrive il file dei richiami per il servizio SMS"));
    buttons->addWidget(print);
    buttons->addWidget(exportButton);
    connect(print, &QPushButton::clicked, this, &RecallListWindow::printList);
    connect(exportButton, &QPushButton::clicked, this, &RecallListWindow::exportList);
    column->addLayout(buttons);

    connect(previous, &QToolButton::clicked, this, [this] { setMonth(m_month.addMonths(-1)); });
    connect(next, &QToolButton::clicked, this, [this] { setMonth(m_month.addMonths(1)); });
    connect(thisMonth, &QPushButton::clicked, this, [this] { setMonth(Clock::today()); });
    connect(m_table, &QTreeWidget::currentItemChanged, this, &RecallListWindow::updateButtons);
    connect(m_table, &QTreeWidget::itemDoubleClicked, this, &RecallListWindow::book);
    // A booking, a cancellation or a move here or elsewhere can close or reopen a recall: every change of
    // the store is followed, read once per turn of the event loop.
    connect(&m_store, &Store::changed, this, &RecallListWindow::refreshSoon);
    connect(&m_store, &Store::changedElsewhere, this, &RecallListWindow::refreshSoon);
    connect(&m_store, &Store::recallsChanged, this, &RecallListWindow::refreshSoon);
    refresh();
}

void RecallListWindow::setMonth(const QDate& month)
{
    m_month = Recalls::monthStart(month);
    refresh();
}

QString RecallListWindow::hint() const
{
    return m_hint->isHidden() ? QString() : m_hint->text();
}

const Recall* RecallListWindow::current() const
{
    const int row = m_table->indexOfTopLevelItem(m_table->currentItem());
    return row >= 0 && row < m_recalls.size() ? &m_recalls[row] : nullptr;
}

void RecallListWindow::selectRow(int row)
{
    m_table->setCurrentItem(m_table->topLevelItem(row));
}

void RecallListWindow::refreshSoon()
{
    if (m_refreshQueued || !isVisible())
        return;
    m_refreshQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_refreshQueued = false;
        refresh();
    });
}

void RecallListWindow::refresh()
{
    m_monthLabel->setText(Cal::capitalizedFirst(Cal::format(m_month, QStringLiteral("MMMMy"))));
    const qint64 selected = current() ? current()->id : 0;
    const std::optional<QList<Recall>> list = m_store.recallList(m_month);
    // A read that failed keeps the rows on show and says so.
    if (list)
        m_recalls = *list;
    m_table->clear();
    const QDate today = Clock::today();
    for (const Recall& r : std::as_const(m_recalls)) {
        auto* item = new QTreeWidgetItem(m_table, rowTexts(r));
        if (r.due < today)
            item->setForeground(3, PanelStyle::errorRed());
        if (r.id == selected)
            m_table->setCurrentItem(item);
    }
    for (int c = 0; c + 1 < m_table->columnCount(); ++c)
        m_table->resizeColumnToContents(c);
    const QString hint = !list ? Store::unansweredText()
        : m_recalls.isEmpty()  ? QStringLiteral("Nessun paziente da richiamare in questo mese.")
                               : QString();
    m_hint->setText(hint);
    m_hint->setVisible(!hint.isEmpty());
    updateButtons();
}

void RecallListWindow::updateButtons()
{
    for (QPushButton* b : std::as_const(m_rowActions))
        b->setEnabled(current() != nullptr);
}

void RecallListWindow::act(const std::optional<QString>& failure)
{
    if (failure)
        Dialogs::tell(this, QMessageBox::Warning, QStringLiteral("Il richiamo non è cambiato."), *failure);
    refresh();
}

void RecallListWindow::notAnswered()
{
    if (const Recall* r = current())
        act(m_store.recallNotAnswered(*r));
}

void RecallListWindow::postpone()
{
    if (!current())
        return;
    // A copy: the list may be read again while the question waits.
    const Recall r = *current();
    const QDate today = Clock::today();
    const std::optional<QDate> until =
        Dialogs::chooseDate(this, QStringLiteral("Rimandare il richiamo di %1?").arg(r.patient),
                            QStringLiteral("Il richiamo torna in elenco dal giorno scelto."), today.addDays(30),
                            QStringLiteral("Rimanda"));
    if (!until)
        return;
    if (*until <= today) {
        Dialogs::tell(this, QMessageBox::Warning, QStringLiteral("Scegli un giorno dopo oggi."), QString());
        return;
    }
    act(m_store.postponeRecall(r, int(today.daysTo(*until))));
}

void RecallListWindow::stop()
{
    if (const Recall* r = current())
        act(m_store.stopRecall(*r));
}

void RecallListWindow::printList()
{
    RecallListPrint::print(this, RecallListPrint::Sheet{m_month, m_recalls});
}

void RecallListWindow::exportList()
{
    const std::optional<QString> path =
        Dialogs::chooseSaveFile(this, QStringLiteral("Esporta richiami"),
                                QDir::home().filePath(RecallExport::fileName(m_month)), QStringLiteral("File CSV (*.csv)"));
    if (!path)
        return;
    QString error;
    const std::optional<int> written = RecallExport::write(m_store, m_month, *path, &error);
    QPalette palette = m_message->palette();
    palette.setColor(QPalette::WindowText, written ? this->palette().color(QPalette::WindowText) : PanelStyle::errorRed());
    m_message->setPalette(palette);
    if (!written) {
        m_message->setText(error);
        return;
    }
    m_message->setText((*written == 1 ? QStringLiteral("1 richiamo scritto in ")
                                      : QString::number(*written) + QStringLiteral(" richiami scritti in "))
                       + QDir::toNativeSeparators(*path) + u'.');
}

QString RecallListWindow::message() const
{
    return m_message->text();
}

void RecallListWindow::book()
{
    const Recall* r = current();
    if (!r)
        return;
    int minutes = 30;
    try {
        if (const std::optional<RecallSettings::Kind> kind = m_store.recallSettings().kind(r->kind))
            minutes = kind->durationMinutes;
    } catch (const DatabaseError&) {
        // The usual half hour: the receptionist sees the duration and can change it.
    }
    emit bookRequested(*r, minutes);
}
