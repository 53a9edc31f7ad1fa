#include "ActivityLogWindow.h"

#include "ActivityActions.h"
#include "ActivityText.h"
#include "Cal.h"
#include "Clock.h"
#include "Csv.h"
#include "DatabaseError.h"
#include "Dialogs.h"
#include "PanelStyle.h"
#include "RefusalLines.h"
#include "Store.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// How long typing in a filter may pause before the log is read again.
constexpr int typingPauseMs = 300;

QLineEdit* filterField(const QString& name, const QString& placeholder, QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setPlaceholderText(placeholder);
    field->setClearButtonEnabled(true);
    return field;
}

} // namespace

ActivityLogWindow::ActivityLogWindow(Store& store, QWidget* parent, int pageSize)
    : QDialog(parent)
    , m_store(store)
    , m_pageSize(pageSize)
{
    setWindowTitle(QStringLiteral("Registro attività"));
    setLocale(Cal::locale());
    resize(1040, 560);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->addWidget(buildFilters());

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("activityList"));
    m_list->setAccessibleName(QStringLiteral("Registro attività"));
    m_list->setRootIsDecorated(false);
    m_list->setAllColumnsShowFocus(true);
    m_list->setUniformRowHeights(true);
    m_list->setHeaderLabels({QStringLiteral("Quando"), QStringLiteral("Computer"), QStringLiteral("Operatore"),
                             QStringLiteral("Azione"), QStringLiteral("Cosa")});
    m_list->header()->setStretchLastSection(true);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &ActivityLogWindow::updateRestoreButton);
    // Scrolling to the end reads the next page.
    connect(m_list->verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (m_mayHaveMore && value > 0 && value == m_list->verticalScrollBar()->maximum())
            loadMore();
    });
    column->addWidget(m_list, 1);

    m_message = new QLabel(this);
    m_message->setWordWrap(true);
    PanelStyle::style(m_message, PanelStyle::callout(), palette().color(QPalette::WindowText));
    m_message->hide();
    column->addWidget(m_message);
    m_refusal = new RefusalLines(0, this);
    connect(m_refusal, &RefusalLines::startChosen, this, [this](int start) { restoreSelected(start); });
    column->addWidget(m_refusal);
    column->addWidget(buildButtons());
    // A change makes the store publish several times; the list is read once after them. Pages read
    // further down stay as they are, not to lose the reader's place.
    m_follow = new QTimer(this);
    m_follow->setSingleShot(true);
    m_follow->setInterval(100);
    connect(m_follow, &QTimer::timeout, this, [this] {
        if (isVisible() && m_shown.size() <= m_pageSize)
            reload();
    });
    connect(&m_store, &Store::changed, m_follow, qOverload<>(&QTimer::start));
    reload();
}

QWidget* ActivityLogWindow::buildFilters()
{
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 8);
    m_useDay = new QCheckBox(QStringLiteral("Giorno"), bar);
    m_useDay->setObjectName(QStringLiteral("dayFilter"));
    m_day = new QDateEdit(Clock::today(), bar);
    m_day->setObjectName(QStringLiteral("dayPicker"));
    m_day->setCalendarPopup(true);
    m_day->setEnabled(false);
    m_patient = filterField(QStringLiteral("patientFilter"), QStringLiteral("Paziente"), bar);
    m_computer = filterField(QStringLiteral("computerFilter"), QStringLiteral("Computer"), bar);
    m_operator = filterField(QStringLiteral("operatorFilter"), QStringLiteral("Operatore"), bar);
    m_action = new QComboBox(bar);
    m_action->setObjectName(QStringLiteral("actionFilter"));
    m_action->setAccessibleName(QStringLiteral("Azione"));
    m_action->addItem(QStringLiteral("Tutte le azioni"), QString());
    for (const auto& [action, label] : ActivityActions::all())
        m_action->addItem(label, action);
    for (QWidget* w : std::initializer_list<QWidget*>{m_useDay, m_day, m_patient, m_computer, m_operator, m_action})
        row->addWidget(w, w == m_patient ? 2 : 1);

    m_typing = new QTimer(this);
    m_typing->setSingleShot(true);
    m_typing->setInterval(typingPauseMs);
    connect(m_typing, &QTimer::timeout, this, &ActivityLogWindow::reload);
    for (QLineEdit* field : {m_patient, m_computer, m_operator})
        connect(field, &QLineEdit::textChanged, m_typing, qOverload<>(&QTimer::start));
    connect(m_useDay, &QCheckBox::toggled, this, [this](bool on) {
        m_day->setEnabled(on);
        reload();
    });
    connect(m_day, &QDateEdit::dateChanged, this, [this] {
        if (m_useDay->isChecked())
            reload();
    });
    connect(m_action, &QComboBox::currentIndexChanged, this, &ActivityLogWindow::reload);
    return bar;
}

QWidget* ActivityLogWindow::buildButtons()
{
    auto* buttons = new QDialogButtonBox(this);
    m_more = buttons->addButton(QStringLiteral("Altre voci…"), QDialogButtonBox::ActionRole);
    m_more->setObjectName(QStringLiteral("moreButton"));
    m_export = buttons->addButton(QStringLiteral("Esporta CSV…"), QDialogButtonBox::ActionRole);
    m_export->setObjectName(QStringLiteral("exportButton"));
    m_export->setToolTip(QStringLiteral("Scrive in un file CSV tutte le voci scelte dai filtri"));
    m_restore = buttons->addButton(QStringLiteral("Ripristina"), QDialogButtonBox::ActionRole);
    m_restore->setObjectName(QStringLiteral("restoreButton"));
    m_restore->setToolTip(
        QStringLiteral("Rimette in agenda l'appuntamento eliminato o disdetto da questa voce, se il posto è libero"));
    QPushButton* close = buttons->addButton(QStringLiteral("Chiudi"), QDialogButtonBox::RejectRole);
    close->setDefault(true);
    connect(m_more, &QPushButton::clicked, this, &ActivityLogWindow::loadMore);
    connect(m_export, &QPushButton::clicked, this, &ActivityLogWindow::exportCsv);
    connect(m_restore, &QPushButton::clicked, this, [this] { restoreSelected(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    return buttons;
}

LogFilter ActivityLogWindow::filter() const
{
    LogFilter f;
    if (m_useDay->isChecked())
        f.day = m_day->date();
    f.patient = m_patient->text().trimmed();
    f.computer = m_computer->text().trimmed();
    f.operatorName = m_operator->text().trimmed();
    f.action = m_action->currentData().toString();
    return f;
}

QString ActivityLogWindow::message() const
{
    return m_message->isHidden() ? QString() : m_message->text();
}

void ActivityLogWindow::setMessage(const QString& text)
{
    m_message->setText(text);
    m_message->setVisible(!text.isEmpty());
}

void ActivityLogWindow::reload()
{
    m_typing->stop();
    const std::optional<ActivityEntry> chosen = selectedEntry();
    m_list->clear();
    m_shown.clear();
    m_names.clear();
    m_mayHaveMore = false;
    loadMore();
    for (int c = 0; c < m_list->columnCount() - 1; ++c)
        m_list->resizeColumnToContents(c);
    for (qsizetype i = 0; chosen && i < m_shown.size(); ++i)
        if (m_shown[i].n == chosen->n)
            m_list->setCurrentItem(m_list->topLevelItem(int(i)));
}

void ActivityLogWindow::loadMore()
{
    LogFilter f = filter();
    if (!m_shown.isEmpty())
        f.before = m_shown.last().n;
    const std::optional<QList<ActivityEntry>> page = m_store.activityPage(f, m_pageSize);
    if (!page) {
        setMessage(Store::unansweredText());
        return;
    }
    append(*page);
    m_mayHaveMore = page->size() == m_pageSize;
    m_more->setEnabled(m_mayHaveMore);
    updateRestoreButton();
}

QString ActivityLogWindow::patientOf(const ActivityEntry& entry) const
{
    const QString named = ActivityText::patient(entry);
    if (!named.isEmpty() || !entry.subject || (entry.target != u"appointment" && entry.target != u"status"))
        return named;
    const auto known = m_names.constFind(*entry.subject);
    if (known != m_names.constEnd())
        return *known;
    QString name;
    try {
        if (const std::optional<Appointment> a = m_store.storedAppointment(*entry.subject))
            name = a->patient;
    } catch (const DatabaseError&) {
        return {}; // asked again with the next page
    }
    m_names.insert(*entry.subject, name);
    return name;
}

QStringList ActivityLogWindow::row(const ActivityEntry& entry) const
{
    const QString patient = patientOf(entry);
    const QString what = ActivityText::summary(entry, m_store);
    return {ActivityText::when(entry), ActivityText::computer(entry), entry.operatorName,
            ActivityActions::label(entry.action), patient.isEmpty() ? what : patient + QStringLiteral(": ") + what};
}

void ActivityLogWindow::append(const QList<ActivityEntry>& entries)
{
    QList<QTreeWidgetItem*> items;
    for (const ActivityEntry& e : entries)
        items << new QTreeWidgetItem(row(e));
    m_list->addTopLevelItems(items);
    m_shown += entries;
}

std::optional<ActivityEntry> ActivityLogWindow::selectedEntry() const
{
    QTreeWidgetItem* item = m_list->currentItem();
    if (!item || !item->isSelected())
        return std::nullopt;
    const int index = m_list->indexOfTopLevelItem(item);
    return index >= 0 && index < m_shown.size() ? std::optional(m_shown[index]) : std::nullopt;
}

void ActivityLogWindow::updateRestoreButton()
{
    const std::optional<ActivityEntry> entry = selectedEntry();
    m_restore->setEnabled(entry && Store::restorableFrom(*entry));
}

void ActivityLogWindow::restoreSelected(std::optional<int> start)
{
    const std::optional<ActivityEntry> entry = selectedEntry();
    if (!entry)
        return;
    const std::optional<SaveRefusal> refusal = m_store.restoreFromEntry(*entry, start);
    m_refusal->setError(refusal ? std::optional(refusal->message) : std::nullopt);
    m_refusal->setAlternatives(refusal ? refusal->alternatives : QList<int>{});
    if (refusal)
        return;
    reload();
    setMessage(QStringLiteral("Appuntamento di ") + ActivityText::patient(*entry) + QStringLiteral(" ripristinato."));
}

void ActivityLogWindow::exportCsv()
{
    const QString suggested = QStringLiteral("registro-attivita-") + Cal::dayKey(Clock::today()) + QStringLiteral(".csv");
    std::optional<QString> path = Dialogs::chooseSaveFile(this, QStringLiteral("Esporta registro attività"),
                                                          QDir::home().filePath(suggested), QStringLiteral("CSV (*.csv)"));
    if (!path)
        return;
    if (!path->endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive))
        *path += QStringLiteral(".csv");
    QList<QStringList> lines{{QStringLiteral("N."), QStringLiteral("Quando"), QStringLiteral("Computer"),
                              QStringLiteral("Operatore"), QStringLiteral("Azione"), QStringLiteral("Cosa")}};
    LogFilter f = filter();
    for (;;) {
        const std::optional<QList<ActivityEntry>> page = m_store.activityPage(f, 1000);
        if (!page) {
            setMessage(Store::unansweredText());
            return;
        }
        for (const ActivityEntry& e : *page)
            lines.append(QStringList{QString::number(e.n)} + row(e));
        if (page->size() < 1000)
            break;
        f.before = page->last().n;
    }
    QSaveFile file(*path);
    if (!file.open(QIODevice::WriteOnly) || file.write(Csv::document(lines)) < 0 || !file.commit()) {
        setMessage(QStringLiteral("Impossibile scrivere il file ") + *path + QStringLiteral(": ") + file.errorString());
        return;
    }
    // Patient data left the program: that, too, is recorded.
    (void)m_store.logEvent(QStringLiteral("export"), QStringLiteral("activity-log"),
                           QJsonObject{{QStringLiteral("file"), QFileInfo(*path).fileName()},
                                       {QStringLiteral("rows"), int(lines.size() - 1)}});
    setMessage(QStringLiteral("Esportate %1 voci in %2.").arg(lines.size() - 1).arg(QFileInfo(*path).fileName()));
}
