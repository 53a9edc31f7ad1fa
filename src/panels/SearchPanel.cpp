#include "SearchPanel.h"

#include "AnonymiseQuestion.h"
#include "Cal.h"
#include "Clock.h"
#include "PanelStyle.h"
#include "SearchResultDelegate.h"
#include "SearchResultsModel.h"
#include "Store.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QTextBoundaryFinder>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString tooShort = QStringLiteral("Digita almeno 2 lettere.");
const QString nothingFound = QStringLiteral("Nessun appuntamento trovato.");
const QString searchingHint = QStringLiteral("Ricerca in corso…");

// User-perceived characters, as the store counts them before searching.
bool hasTwoCharacters(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (count < 2 && finder.toNextBoundary() > 0)
        ++count;
    return count >= 2;
}

} // namespace

SearchPanel::SearchPanel(Store& store, std::function<void()> close, const QString& initialText,
                         QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_close(std::move(close))
{
    setAccessibleName(QStringLiteral("Cerca"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(10);

    m_field = new QLineEdit(this);
    m_field->setObjectName(QStringLiteral("searchField"));
    m_field->setAccessibleName(QStringLiteral("Cerca paziente"));
    m_field->setPlaceholderText(QStringLiteral("Paziente, telefono o prestazione"));
    m_field->setClearButtonEnabled(true);
    m_field->installEventFilter(this);
    m_field->setStyleSheet(
        QStringLiteral("QLineEdit { border: 1px solid palette(mid); border-radius: 7px;"
                       " padding: 3px 6px; background: palette(base); }"
                       "QLineEdit:focus { border: 2px solid palette(highlight); padding: 2px 5px; }"));
    column->addWidget(m_field);

    m_hint = new QLabel(tooShort, this);
    m_hint->setObjectName(QStringLiteral("hint"));
    PanelStyle::style(m_hint, PanelStyle::callout(), PanelStyle::secondaryText(palette()));
    column->addWidget(m_hint);

    m_model = new SearchResultsModel(m_store, this);
    m_list = new QListView(this);
    m_list->setObjectName(QStringLiteral("results"));
    m_list->setAccessibleName(QStringLiteral("Risultati"));
    m_list->setModel(m_model);
    m_list->setItemDelegate(new SearchResultDelegate(m_list));
    m_list->setUniformItemSizes(true);
    m_list->setMouseTracking(true);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setFixedHeight(listHeight);
    m_list->viewport()->setAutoFillBackground(false);
    m_list->viewport()->setCursor(Qt::PointingHandCursor);
    m_list->installEventFilter(this);
    m_list->hide();
    column->addWidget(m_list);

    setFixedWidth(panelWidth);
    connect(m_field, &QLineEdit::textChanged, this, &SearchPanel::search);
    connect(m_list, &QListView::clicked, this, [this](const QModelIndex& index) {
        if (index.isValid())
            pick(m_model->results().at(index.row()));
    });
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_list, &QListView::customContextMenuRequested, this, [this](const QPoint& at) {
        const QModelIndex index = m_list->indexAt(at).isValid() ? m_list->indexAt(at) : m_list->currentIndex();
        if (!index.isValid())
            return;
        QMenu* menu = resultMenu(m_model->results().at(index.row()));
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(m_list->viewport()->mapToGlobal(m_list->visualRect(index).center()));
    });
    if (!initialText.isEmpty())
        m_field->setText(initialText);
    fitHeight();
    m_field->setFocus(Qt::OtherFocusReason);
}

const QList<Appointment>& SearchPanel::results() const
{
    return m_model->results();
}

QString SearchPanel::hint() const
{
    return m_hint->isHidden() ? QString() : m_hint->text();
}

void SearchPanel::search(const QString& text)
{
    m_waiting = true;
    m_store.search(text, this, [this, text](const std::optional<QList<Appointment>>& found) {
        showResults(text, found);
    });
    // Until the answer comes the list keeps the results it shows; without a list, the hint says why.
    if (m_waiting && m_list->isHidden() && m_hint->text() != searchingHint) {
        m_hint->setText(searchingHint);
        fitHeight();
    }
}

void SearchPanel::showResults(const QString& text, const std::optional<QList<Appointment>>& found)
{
    m_waiting = false;
    // No answer is not the answer "nothing": the list empties and the hint says which it was.
    m_model->setResults(found.value_or(QList<Appointment>()), Cal::dayKey(Clock::today()));
    const bool shortText = !hasTwoCharacters(text.trimmed());
    const bool showList = !shortText && !m_model->results().isEmpty();
    m_hint->setText(shortText ? tooShort : found ? nothingFound : Store::unansweredText());
    m_hint->setVisible(!showList);
    m_list->setVisible(showList);
    m_list->scrollToTop();
    fitHeight();
}

void SearchPanel::fitHeight()
{
    layout()->activate();
    setFixedHeight(layout()->sizeHint().height());
}

void SearchPanel::pick(const Appointment& appointment)
{
    m_store.setAnchor(Cal::nextWorkday(appointment.date()));
    m_store.reload();
    m_store.setMode(ViewMode::Day);
    emit picked(appointment);
    m_close();
}

QMenu* SearchPanel::resultMenu(const Appointment& appointment)
{
    auto* menu = new QMenu(this);
    const QString patient = appointment.patient;
    menu->addAction(QStringLiteral("Dati del paziente…"), this, [this, patient] {
        emit patientDataRequested(patient);
        m_close();
    });
    QAction* anonymise = menu->addAction(QStringLiteral("Anonimizza…"));
    connect(anonymise, &QAction::triggered, this, [this, appointment] {
        // The question stands over the agenda window: the popup would close under it.
        QWidget* over = parentWidget() ? parentWidget()->window() : nullptr;
        Store& store = m_store;
        m_close();
        askAndAnonymise(over, store, appointment.patient, QStringList{appointment.phone});
    });
    return menu;
}

bool SearchPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || (watched != m_list && watched != m_field))
        return QWidget::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    // Results still to come for the text typed would make a pick land on the previous text's.
    const bool shown = m_list->isVisible() && !m_waiting && m_model->rowCount() > 0;
    const int row = m_list->currentIndex().isValid() ? m_list->currentIndex().row() : -1;
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (shown)
            pick(m_model->results().at(std::max(row, 0)));
        return shown || watched == m_list;
    }
    if (watched == m_field && key == Qt::Key_Down && shown) {
        m_list->setCurrentIndex(m_model->index(0, 0));
        m_list->setFocus(Qt::TabFocusReason);
        return true;
    }
    if (watched == m_list && key == Qt::Key_Up && row <= 0) {
        m_list->clearSelection();
        m_field->setFocus(Qt::BacktabFocusReason);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
