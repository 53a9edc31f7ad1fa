#include "WaitingListPanel.h"

#include "Cal.h"
#include "Dialogs.h"
#include "PanelStyle.h"
#include "Schedule.h"
#include "Store.h"
#include "WaitingEntryForm.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QStringList rowTexts(const Store& store, const WaitingEntry& e)
{
    const std::optional<Dentist> dentist = e.dentistId ? store.dentist(*e.dentistId) : std::nullopt;
    const QString dayFormat = QStringLiteral("dd/MM/yyyy");
    return {e.patient,
            e.phone,
            formatDuration(e.durationMinutes),
            dentist ? dentist->name : QStringLiteral("Qualsiasi"),
            e.weekdaysText(),
            DayParts::label(e.part),
            Cal::locale().toString(e.from, dayFormat),
            e.until ? Cal::locale().toString(*e.until, dayFormat) : QStringLiteral("–"),
            e.note};
}

} // namespace

WaitingListPanel::WaitingListPanel(Store& store, QWidget* parent)
    : QDialog(parent)
    , m_store(store)
{
    setObjectName(QStringLiteral("waitingList"));
    setWindowTitle(QStringLiteral("Lista d'attesa"));
    setLocale(Cal::locale());
    resize(960, 420);
    auto* column = new QVBoxLayout(this);
    auto* title = new QLabel(QStringLiteral("Lista d'attesa"), this);
    title->setFont(PanelStyle::title2());
    column->addWidget(title);

    m_hint = new QLabel(this);
    m_hint->setObjectName(QStringLiteral("hint"));
    PanelStyle::style(m_hint, PanelStyle::callout(), PanelStyle::secondaryText(palette()));
    column->addWidget(m_hint);

    m_table = new QTreeWidget(this);
    m_table->setObjectName(QStringLiteral("entries"));
    m_table->setAccessibleName(QStringLiteral("Pazienti in lista d'attesa"));
    m_table->setRootIsDecorated(false);
    m_table->setUniformRowHeights(true);
    m_table->setHeaderLabels({QStringLiteral("Paziente"), QStringLiteral("Telefono"), QStringLiteral("Durata"),
                              QStringLiteral("Dentista"), QStringLiteral("Giorni"), QStringLiteral("Fascia"),
                              QStringLiteral("Dal"), QStringLiteral("Fino al"), QStringLiteral("Nota")});
    m_table->header()->setStretchLastSection(true);
    column->addWidget(m_table, 1);

    auto* buttons = new QHBoxLayout;
    auto* add = new QPushButton(QStringLiteral("Aggiungi…"), this);
    add->setObjectName(QStringLiteral("add"));
    m_edit = new QPushButton(QStringLiteral("Modifica…"), this);
    m_edit->setObjectName(QStringLiteral("edit"));
    m_remove = new QPushButton(QStringLiteral("Rimuovi"), this);
    m_remove->setObjectName(QStringLiteral("remove"));
    buttons->addWidget(add);
    buttons->addWidget(m_edit);
    buttons->addWidget(m_remove);
    buttons->addStretch(1);
    column->addLayout(buttons);

    connect(add, &QPushButton::clicked, this, [this] { openForm(WaitingEntry{}); });
    connect(m_edit, &QPushButton::clicked, this, [this] {
        if (const WaitingEntry* e = current())
            openForm(*e);
    });
    connect(m_table, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (const WaitingEntry* e = current())
            openForm(*e);
    });
    connect(m_remove, &QPushButton::clicked, this, &WaitingListPanel::removeCurrent);
    connect(m_table, &QTreeWidget::currentItemChanged, this, [this] {
        m_edit->setEnabled(current());
        m_remove->setEnabled(current());
    });
    // Every change of the list, here (also a booking from the agenda's offer) or on another computer.
    connect(&m_store, &Store::changedElsewhere, this, &WaitingListPanel::refresh);
    connect(&m_store, &Store::waitingListChanged, this, &WaitingListPanel::refresh);
    refresh();
}

QString WaitingListPanel::hint() const
{
    return m_hint->isHidden() ? QString() : m_hint->text();
}

void WaitingListPanel::refresh()
{
    const qint64 selected = current() ? current()->id : 0;
    const std::optional<QList<WaitingEntry>> list = m_store.waitingList();
    m_entries = list.value_or(QList<WaitingEntry>());
    m_table->clear();
    for (const WaitingEntry& e : std::as_const(m_entries)) {
        auto* item = new QTreeWidgetItem(m_table, rowTexts(m_store, e));
        if (e.id == selected)
            m_table->setCurrentItem(item);
    }
    for (int c = 0; c + 1 < m_table->columnCount(); ++c)
        m_table->resizeColumnToContents(c);
    const QString hint = !list ? Store::unansweredText()
        : m_entries.isEmpty()  ? QStringLiteral("Nessun paziente in lista d'attesa.")
                               : QString();
    m_hint->setText(hint);
    m_hint->setVisible(!hint.isEmpty());
    m_edit->setEnabled(current());
    m_remove->setEnabled(current());
}

const WaitingEntry* WaitingListPanel::current() const
{
    const int row = m_table->indexOfTopLevelItem(m_table->currentItem());
    return row >= 0 && row < m_entries.size() ? &m_entries[row] : nullptr;
}

void WaitingListPanel::openForm(const WaitingEntry& entry)
{
    if (m_form)
        m_form->close();
    m_form = new WaitingEntryForm(m_store, entry, this);
    m_form->setAttribute(Qt::WA_DeleteOnClose);
    m_form->setWindowModality(Qt::WindowModal);
    m_form->open();
}

void WaitingListPanel::removeCurrent()
{
    const WaitingEntry* e = current();
    if (!e)
        return;
    DialogRequest request;
    request.icon = QMessageBox::Question;
    request.title = QStringLiteral("Togliere %1 dalla lista d'attesa?").arg(e->patient);
    request.buttons = {{QStringLiteral("Annulla"), QMessageBox::RejectRole},
                       {QStringLiteral("Rimuovi"), QMessageBox::DestructiveRole}};
    request.escapeIndex = 0;
    Dialogs::open(this, request, [this, id = e->id](int pressed) {
        if (pressed != 1)
            return;
        if (const std::optional<QString> failure = m_store.removeWaitingEntry(id))
            m_store.setAlertMessage(failure);
    });
}
