#include "OperatorsSection.h"

#include "OperatorMenu.h"
#include "PanelStyle.h"
#include "Store.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace {

QString about()
{
    return QStringLiteral("Se lo studio dà un nome alle persone che usano i computer, nella barra degli strumenti "
                          "compare «Operatore: …» e il registro attività annota chi ha fatto ogni modifica. Si "
                          "cambia con ")
        + OperatorMenu::shortcut().toString(QKeySequence::NativeText)
        + QStringLiteral(" seguito dal numero della persona (0: nessuno). Non ci sono password: chi può usare un "
                         "computer lo decidono i suoi account e il blocco dello schermo. Senza nomi, Calvora annota "
                         "il computer e il suo account.");
}

QPushButton* button(const QString& text, const QString& name, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

} // namespace

OperatorsSection::OperatorsSection(Store& store, QWidget* parent)
    : FormSection(QStringLiteral("Operatori"), parent)
    , m_store(store)
{
    auto* text = new QLabel(about(), this);
    text->setWordWrap(true);
    text->setFont(PanelStyle::caption());
    form()->addRow(text);

    auto* adding = new QWidget(this);
    auto* addRow = new QHBoxLayout(adding);
    addRow->setContentsMargins(0, 0, 0, 0);
    m_newName = new QLineEdit(adding);
    m_newName->setObjectName(QStringLiteral("newOperator"));
    m_newName->setAccessibleName(QStringLiteral("Nome del nuovo operatore"));
    m_newName->setPlaceholderText(QStringLiteral("Nome"));
    m_add = button(QStringLiteral("Aggiungi"), QStringLiteral("addOperator"), adding);
    addRow->addWidget(m_newName, 1);
    addRow->addWidget(m_add);
    form()->addRow(QStringLiteral("Nuovo operatore"), adding);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("operatorList"));
    m_list->setAccessibleName(QStringLiteral("Operatori dello studio"));
    m_list->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    m_list->setMinimumHeight(140);
    form()->addRow(m_list);

    auto* row = new QWidget(this);
    auto* buttons = new QHBoxLayout(row);
    buttons->setContentsMargins(0, 0, 0, 0);
    m_rename = button(QStringLiteral("Rinomina"), QStringLiteral("renameOperator"), row);
    m_remove = button(QStringLiteral("Rimuovi"), QStringLiteral("removeOperator"), row);
    m_up = button(QStringLiteral("Su"), QStringLiteral("operatorUp"), row);
    m_down = button(QStringLiteral("Giù"), QStringLiteral("operatorDown"), row);
    for (QPushButton* b : {m_rename, m_remove, m_up, m_down})
        buttons->addWidget(b);
    buttons->addStretch(1);
    form()->addRow(row);

    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("operatorMessage"));
    m_message->setWordWrap(true);
    PanelStyle::style(m_message, PanelStyle::caption(), PanelStyle::errorRed());
    form()->addRow(m_message);

    connect(m_add, &QPushButton::clicked, this, &OperatorsSection::add);
    connect(m_newName, &QLineEdit::returnPressed, this, &OperatorsSection::add);
    connect(m_newName, &QLineEdit::textChanged, this, &OperatorsSection::updateButtons);
    connect(m_rename, &QPushButton::clicked, this, &OperatorsSection::renameSelected);
    connect(m_remove, &QPushButton::clicked, this, &OperatorsSection::removeSelected);
    connect(m_up, &QPushButton::clicked, this, [this] { moveSelected(-1); });
    connect(m_down, &QPushButton::clicked, this, [this] { moveSelected(1); });
    connect(m_list, &QListWidget::currentRowChanged, this, &OperatorsSection::updateButtons);
    // A name edited in place is stored when the editor closes. Queued: the list is rebuilt from the store,
    // which must not happen while its editor is closing; so the item's text is taken now, since another
    // computer's change may rebuild the list, and delete the item, before the queued call comes.
    connect(m_list, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        const QString before = m_shown.value(m_list->row(item));
        const QString after = item->text().simplified();
        QMetaObject::invokeMethod(this, [this, before, after] { rename(before, after); }, Qt::QueuedConnection);
    });
    connect(&m_store, &Store::changed, this, [this] {
        if (m_store.operators() != m_shown)
            showStored();
    });
    showStored();
}

QString OperatorsSection::messageText() const
{
    return m_message->text();
}

void OperatorsSection::rename(const QString& before, const QString& after)
{
    // A name emptied in place stays as it was; so does one that another computer removed meanwhile.
    const qsizetype row = m_shown.indexOf(before);
    if (after.isEmpty() || row < 0) {
        showStored();
        return;
    }
    QStringList names = m_shown;
    names[row] = after;
    keep(names, int(row));
}

void OperatorsSection::showStored()
{
    const QSignalBlocker blocker(m_list);
    const QString selected = m_list->currentItem() ? m_list->currentItem()->text() : QString();
    m_shown = m_store.operators();
    m_list->clear();
    for (const QString& name : std::as_const(m_shown)) {
        auto* item = new QListWidgetItem(name, m_list);
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    }
    m_list->setCurrentRow(int(m_shown.indexOf(selected)));
    updateButtons();
}

void OperatorsSection::keep(const QStringList& names, int selectRow)
{
    const std::optional<QString> failure = m_store.setOperators(names);
    m_message->setText(failure.value_or(QString()));
    showStored();
    if (!failure && selectRow >= 0 && selectRow < m_list->count())
        m_list->setCurrentRow(selectRow);
}

void OperatorsSection::add()
{
    const QString name = m_newName->text().simplified();
    if (name.isEmpty())
        return;
    if (m_shown.contains(name, Qt::CaseInsensitive)) {
        m_message->setText(QStringLiteral("«") + name + QStringLiteral("» è già tra gli operatori."));
        return;
    }
    keep(m_shown + QStringList{name}, int(m_shown.size()));
    if (m_store.operators().contains(name))
        m_newName->clear();
}

void OperatorsSection::renameSelected()
{
    if (QListWidgetItem* item = m_list->currentItem())
        m_list->editItem(item);
}

void OperatorsSection::removeSelected()
{
    const int row = m_list->currentRow();
    if (row < 0)
        return;
    QStringList names = m_shown;
    names.removeAt(row);
    keep(names, std::min(row, int(names.size()) - 1));
}

void OperatorsSection::moveSelected(int step)
{
    const int row = m_list->currentRow();
    const int to = row + step;
    if (row < 0 || to < 0 || to >= m_shown.size())
        return;
    QStringList names = m_shown;
    names.swapItemsAt(row, to);
    keep(names, to);
}

void OperatorsSection::updateButtons()
{
    const int row = m_list->currentRow();
    m_add->setEnabled(!m_newName->text().trimmed().isEmpty());
    m_rename->setEnabled(row >= 0);
    m_remove->setEnabled(row >= 0);
    m_up->setEnabled(row > 0);
    m_down->setEnabled(row >= 0 && row + 1 < m_list->count());
}
