#include "SettingsView.h"

#include "CalendarFolderSection.h"
#include "ClosedDaysSection.h"
#include "RecallMessageSettings.h"
#include "RecallSettingsPage.h"
#include "ReminderSettings.h"
#include "FormSection.h"
#include "OperatorsSection.h"
#include "PanelStyle.h"
#include "Store.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QShowEvent>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

const QString autosaveNote =
    QStringLiteral("Le modifiche vengono salvate automaticamente. Il nome di un dentista si "
                   "può cambiare anche con un clic sul nome nell'agenda.");

// Said with a failed save, which has put the stored values back in the fields.
const QString notSavedTail = QStringLiteral(" La modifica non è stata salvata: resta il valore salvato prima.");

QStringList trimmedNames(const QList<Dentist>& dentists)
{
    QStringList names;
    for (const Dentist& d : dentists)
        names.append(d.name.trimmed());
    return names;
}

QStringList names(const QList<Dentist>& dentists)
{
    QStringList result;
    for (const Dentist& d : dentists)
        result.append(d.name);
    return result;
}

QStringList colors(const QList<Dentist>& dentists)
{
    QStringList result;
    for (const Dentist& d : dentists)
        result.append(d.colorHex);
    return result;
}

// The same dentists in the same places, each working or retired from the same day.
bool sameColumns(const QList<Dentist>& a, const QList<Dentist>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const Dentist& x, const Dentist& y) {
        return x.id == y.id && x.position == y.position && x.retiredFrom == y.retiredFrom;
    });
}

bool anyBlankName(const QList<Dentist>& dentists)
{
    return std::any_of(dentists.begin(), dentists.end(),
                       [](const Dentist& d) { return d.name.trimmed().isEmpty(); });
}

} // namespace

QLabel* SettingsView::captionLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    PanelStyle::style(label, PanelStyle::caption(), PanelStyle::secondaryText(parent->palette()));
    label->setWordWrap(true);
    return label;
}

SettingsView::SettingsView(Store& store, QWidget* parent, ServerLineActions server)
    : QWidget(parent, Qt::Window)
    , m_store(store)
    , m_server(std::move(server))
{
    setWindowTitle(QStringLiteral("Impostazioni"));
    setMinimumSize(560, 380);
    resize(windowWidth, windowHeight);

    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(12, 12, 0, 12);
    outer->setSpacing(0);
    auto* side = new QVBoxLayout;
    m_pageList = new QListWidget(this);
    m_pageList->setObjectName(QStringLiteral("pageList"));
    m_pageList->setAccessibleName(QStringLiteral("Sezioni delle impostazioni"));
    m_pageList->setFixedWidth(180);
    m_pageList->setSpacing(3);
    side->addWidget(m_pageList, 1);
    QLabel* version = captionLabel(QStringLiteral("Calvora ") + QCoreApplication::applicationVersion(), this);
    version->setObjectName(QStringLiteral("version"));
    version->setAlignment(Qt::AlignHCenter);
    side->addWidget(version);
    outer->addLayout(side);
    m_stack = new QStackedWidget(this);
    outer->addWidget(m_stack, 1);

    buildStudioPage();
    buildDentistsPage();
    QVBoxLayout* operatorsPage = addPage(Page::Operators, QStringLiteral("Operatori"));
    operatorsPage->addWidget(new OperatorsSection(m_store, operatorsPage->parentWidget()));
    operatorsPage->addStretch(1);
    QVBoxLayout* closedPage = addPage(Page::ClosedDays, QStringLiteral("Chiusure"));
    auto* closed = new ClosedDaysSection(m_store, closedPage->parentWidget());
    closed->setObjectName(QStringLiteral("closedDays"));
    closedPage->addWidget(closed);
    closedPage->addStretch(1);
    QVBoxLayout* remindersPage = addPage(Page::Reminders, QStringLiteral("Promemoria"));
    remindersPage->addWidget(new ReminderSettings(m_store, remindersPage->parentWidget()));
    remindersPage->addStretch(1);
    QVBoxLayout* recallsPage = addPage(Page::Recalls, QStringLiteral("Richiami"));
    recallsPage->addWidget(new RecallSettingsPage(m_store, recallsPage->parentWidget()));
    recallsPage->addStretch(1);
    QVBoxLayout* recallMessagePage = addPage(Page::RecallMessage, QStringLiteral("Messaggio di richiamo"));
    recallMessagePage->addWidget(new RecallMessageSettings(m_store, recallMessagePage->parentWidget()));
    recallMessagePage->addStretch(1);
    buildArchivePage();
    QVBoxLayout* calendarPage = addPage(Page::Calendars, QStringLiteral("Calendari"));
    calendarPage->addWidget(new CalendarFolderSection(m_store, calendarPage->parentWidget()));
    calendarPage->addStretch(1);
    if (m_server.available())
        buildServerPage();

    connect(m_pageList, &QListWidget::currentRowChanged, m_stack, &QStackedWidget::setCurrentIndex);
    m_pageList->setCurrentRow(0);
    auto* closeShortcut = new QShortcut(QKeySequence::Close, this);
    connect(closeShortcut, &QShortcut::activated, this, &QWidget::close);

    loadFromStore();

    connect(m_studioField, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_studioName = text;
        autosave(Origin::Studio);
    });
    connect(&m_store, &Store::changed, this, &SettingsView::storeChanged);
}

QVBoxLayout* SettingsView::addPage(Page kind, const QString& title)
{
    // Each page scrolls only when the window is made smaller than its default size.
    auto* scroll = new QScrollArea(m_stack);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget(scroll);
    scroll->viewport()->setAutoFillBackground(false);
    scroll->setWidget(content);
    auto* sections = new QVBoxLayout(content);
    sections->setContentsMargins(20, 8, 20, 20);
    sections->setSpacing(16);
    m_stack->addWidget(scroll);
    m_pageList->addItem(title);
    m_pageKinds.append(kind);
    return sections;
}

void SettingsView::buildStudioPage()
{
    QVBoxLayout* page = addPage(Page::Studio, QStringLiteral("Studio"));
    auto* studio = new FormSection(QStringLiteral("Studio"), page->parentWidget());
    m_studioField = new QLineEdit(studio);
    m_studioField->setObjectName(QStringLiteral("studioField"));
    m_studioField->setAccessibleName(QStringLiteral("Nome dello studio"));
    studio->form()->addRow(QStringLiteral("Nome dello studio"), m_studioField);
    m_studioMessage = captionLabel(QString(), studio);
    m_studioMessage->setObjectName(QStringLiteral("studioMessage"));
    m_studioMessage->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_studioMessage->hide();
    studio->form()->addRow(m_studioMessage);
    studio->form()->addRow(captionLabel(
        QStringLiteral("Il nome compare nel titolo della finestra e sulle stampe. Le modifiche vengono salvate "
                       "automaticamente."),
        studio));
    page->addWidget(studio);
    page->addStretch(1);
}

void SettingsView::showPage(Page page)
{
    const int index = int(m_pageKinds.indexOf(page));
    if (index < 0)
        return;
    m_pageList->setCurrentRow(index);
    focusFirstFieldOf(m_stack->widget(index));
}

// The first control that Tab reaches on the page.
void SettingsView::focusFirstFieldOf(QWidget* page)
{
    for (QWidget* w = page->nextInFocusChain(); w && w != page; w = w->nextInFocusChain()) {
        if (!page->isAncestorOf(w))
            continue;
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(page) && w->isEnabled()) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

void SettingsView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    loadFromStore();
    placeInsideScreen();
    focusFirstFieldOf(m_stack->currentWidget());
}

// Wherever the shell shows the window, all of it is on the screen of the window in front (the agenda).
void SettingsView::placeInsideScreen()
{
    const QWidget* front = QApplication::activeWindow();
    QScreen* target = front && front != this ? front->screen() : screen();
    if (!target)
        return;
    const QRect available = target->availableGeometry();
    const QSize frame = frameGeometry().size() - geometry().size();
    const QSize room = available.size() - frame;
    if (!m_placed || width() > room.width() || height() > room.height())
        resize(std::min(width(), room.width()), std::min(height(), room.height()));
    QRect wanted(frameGeometry().topLeft(), size() + frame);
    if (!m_placed)
        wanted.moveCenter(front && front != this ? front->frameGeometry().center() : available.center());
    wanted.moveLeft(std::clamp(wanted.left(), available.left(), available.right() + 1 - wanted.width()));
    wanted.moveTop(std::clamp(wanted.top(), available.top(), available.bottom() + 1 - wanted.height()));
    move(wanted.topLeft());
    m_placed = true;
}

void SettingsView::keyPressEvent(QKeyEvent* event)
{
    // Reaches here only when the control with the focus has no use for Escape (a date being typed has).
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SettingsView::loadFromStore()
{
    m_studioName = m_store.studioName();
    m_seenStudioName = m_store.studioName();
    m_dentists = m_store.dentists();
    m_seenStoreDentists = m_store.dentists();
    showCopies();
}

// Puts the working copies into the controls without running autosave for each assignment, and
// without touching a field that already shows its text (so a cursor in it stays where it is).
void SettingsView::showCopies()
{
    QList<std::pair<qint64, bool>> shape;
    for (const Dentist& d : std::as_const(m_dentists))
        shape.append({d.id, d.retiredFrom.isValid()});
    if (shape != m_rowShape)
        rebuildRows();
    {
        const QSignalBlocker blocker(m_studioField);
        if (m_studioField->text() != m_studioName)
            m_studioField->setText(m_studioName);
    }
    for (qsizetype i = 0; i < m_dentists.size(); ++i)
        showRow(i);
}

void SettingsView::autosave(Origin origin)
{
    if (m_dentists.isEmpty() || anyBlankName(m_dentists))
        return;
    const QList<Dentist>& stored = m_store.dentists();
    if (m_studioName == m_store.studioName() && trimmedNames(m_dentists) == names(stored)
        && colors(m_dentists) == colors(stored))
        return;
    const std::optional<QString> failure = m_store.saveSettings(m_studioName, m_dentists);
    setMessage(failure ? std::optional(*failure + notSavedTail) : std::nullopt, origin);
    if (failure) {
        // Nothing on screen that is not stored: the fields show what the archive keeps.
        m_studioName = m_store.studioName();
        m_dentists = m_store.dentists();
        showCopies();
    }
}

void SettingsView::storeChanged()
{
    // The practice name from elsewhere (another computer) replaces the copy unless it is being typed.
    if (m_store.studioName() != m_seenStudioName) {
        m_seenStudioName = m_store.studioName();
        if (!m_studioField->hasFocus() && m_studioName.trimmed() != m_seenStudioName) {
            m_studioName = m_seenStudioName;
            showCopies();
        }
    }
    const QList<Dentist>& fresh = m_store.dentists();
    if (fresh == m_seenStoreDentists)
        return;
    m_seenStoreDentists = fresh;
    if (sameColumns(fresh, m_dentists) && names(fresh) == trimmedNames(m_dentists)
        && colors(fresh) == colors(m_dentists))
        return;
    if (anyBlankName(m_dentists) && sameColumns(fresh, m_dentists))
        return; // a name being retyped is not overwritten
    // The name in the field with the cursor stays as typed; everything else follows the store.
    QList<Dentist> merged = fresh;
    for (qsizetype i = 0; i < merged.size() && i < m_dentists.size() && i < m_rows.size(); ++i)
        if (m_rows[i].name->hasFocus() && merged[i].id == m_dentists[i].id)
            merged[i].name = m_dentists[i].name;
    m_dentists = merged;
    showCopies();
    autosave(Origin::Dentists);
}

void SettingsView::setMessage(const std::optional<QString>& message, Origin origin)
{
    m_message = message;
    // A success clears both places; a failure shows beside the control that caused it.
    m_studioMessage->setText(origin == Origin::Studio ? message.value_or(QString()) : QString());
    m_studioMessage->setVisible(origin == Origin::Studio && message.has_value());
    m_note->setText(origin == Origin::Dentists && message ? *message : autosaveNote);
}

QString SettingsView::noteText() const
{
    return m_note->text();
}
