#include "CancellationsPanel.h"

#include "Cal.h"
#include "PanelStyle.h"
#include "Store.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QString whenText(const QString& cancelledAt)
{
    const QDateTime at = QDateTime::fromString(cancelledAt, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return at.isValid() ? Cal::format(at, QStringLiteral("EEEdMMMHHmm")) : cancelledAt;
}

} // namespace

CancellationsPanel::CancellationsPanel(Store& store, QWidget* parent)
    : QDialog(parent)
    , m_store(store)
{
    setWindowTitle(QStringLiteral("Disdette"));
    resize(820, 420);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    m_title = new QLabel(this);
    m_title->setFont(PanelStyle::headline());
    column->addWidget(m_title);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("cancellationList"));
    m_list->setAccessibleName(QStringLiteral("Disdette"));
    m_list->setRootIsDecorated(false);
    m_list->setAllColumnsShowFocus(true);
    m_list->setHeaderLabels({QStringLiteral("Paziente"), QStringLiteral("Giorno e ora"), QStringLiteral("Dentista"),
                             QStringLiteral("Disdetto da"), QStringLiteral("Motivo"), QStringLiteral("Disdetto il"),
                             QString()});
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionResizeMode(4, QHeaderView::Stretch);
    column->addWidget(m_list, 1);

    m_message = new QLabel(this);
    m_message->setWordWrap(true);
    PanelStyle::style(m_message, PanelStyle::callout(), PanelStyle::errorRed());
    m_message->hide();
    column->addWidget(m_message);

    auto* buttons = new QDialogButtonBox(this);
    m_restore = buttons->addButton(QStringLiteral("Ripristina"), QDialogButtonBox::ActionRole);
    m_restore->setObjectName(QStringLiteral("restoreButton"));
    m_restore->setToolTip(QStringLiteral("Rimette l'appuntamento in agenda, se il posto è ancora libero"));
    QPushButton* close = buttons->addButton(QStringLiteral("Chiudi"), QDialogButtonBox::RejectRole);
    close->setDefault(true);
    connect(m_restore, &QPushButton::clicked, this, &CancellationsPanel::restoreSelected);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this,
            [this] { m_restore->setEnabled(!m_list->selectedItems().isEmpty()); });
    column->addWidget(buttons);

    // Another computer's cancellation or restore, and this one's undo, show at once.
    connect(&m_store, &Store::changed, this, &CancellationsPanel::reload);
    reload();
}

QString CancellationsPanel::message() const
{
    return m_message->isHidden() ? QString() : m_message->text();
}

void CancellationsPanel::setMessage(const QString& text)
{
    m_message->setText(text);
    m_message->setVisible(!text.isEmpty());
}

void CancellationsPanel::reload()
{
    const QList<QDate> days = m_store.visibleDays();
    m_title->setText(QStringLiteral("Disdette \u2013 ") + m_store.title());
    const qint64 selected = m_list->currentItem() ? m_list->currentItem()->data(0, Qt::UserRole).toLongLong() : 0;
    m_list->clear();
    m_shown.clear();
    const std::optional<QList<Cancellation>> found =
        days.isEmpty() ? std::optional<QList<Cancellation>>(QList<Cancellation>())
                       : m_store.cancellations(days.first(), days.last());
    if (!found) {
        setMessage(Store::unansweredText());
        m_restore->setEnabled(false);
        return;
    }
    m_shown = *found;
    for (const Cancellation& c : std::as_const(m_shown)) {
        const Appointment& a = c.appointment;
        const std::optional<Dentist> owner = m_store.dentist(a.dentistId);
        auto* item = new QTreeWidgetItem(
            m_list, {a.patient, Cal::format(a.date(), QStringLiteral("EEEdMMM")) + u' ' + a.timeRange(),
                     owner ? owner->name : QString(),
                     c.by == CancelledBy::Patient ? QStringLiteral("Paziente") : QStringLiteral("Studio"), c.reason,
                     whenText(c.cancelledAt), c.late ? QStringLiteral("tardiva") : QString()});
        item->setData(0, Qt::UserRole, a.id);
        if (c.late)
            item->setForeground(6, PanelStyle::noticeOrange());
        if (a.id == selected)
            m_list->setCurrentItem(item);
    }
    if (m_shown.isEmpty())
        (new QTreeWidgetItem(m_list, {QStringLiteral("Nessuna disdetta")}))->setFlags(Qt::NoItemFlags);
    for (int c = 0; c < m_list->columnCount(); ++c)
        if (c != 4)
            m_list->resizeColumnToContents(c);
    m_restore->setEnabled(!m_shown.isEmpty() && m_list->currentItem() && m_list->currentItem()->isSelected());
}

void CancellationsPanel::restoreSelected()
{
    QTreeWidgetItem* item = m_list->currentItem();
    const qint64 id = item ? item->data(0, Qt::UserRole).toLongLong() : 0;
    if (id == 0)
        return;
    // The store's reload after the restore reaches reload() through changed().
    setMessage(m_store.restoreCancelled(id).value_or(QString()));
}
