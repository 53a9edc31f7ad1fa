#include "FreeSlotPanel.h"

#include "AccessibleComboBox.h"
#include "Cal.h"
#include "Clock.h"
#include "ComboTyping.h"
#include "FormSection.h"
#include "PanelStyle.h"
#include "Schedule.h"
#include "WaitingEntryForm.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

FreeSlotPanel::FreeSlotPanel(Store& store, std::function<void()> close, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_close(std::move(close))
{
    setLocale(Cal::locale());
    setAccessibleName(QStringLiteral("Primo posto libero"));
    // Before its combo boxes are made, so that screen readers hear their labels.
    AccessibleComboBox::installFactory();
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(10);

    auto* title = new QLabel(QStringLiteral("Primo posto libero"), this);
    title->setFont(PanelStyle::title2());
    column->addWidget(title);
    m_patient = new QLabel(this);
    m_patient->setObjectName(QStringLiteral("patient"));
    m_patient->hide();
    column->addWidget(m_patient);

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_duration = new QComboBox(this);
    m_duration->setObjectName(QStringLiteral("durationPicker"));
    for (const int minutes : Schedule::durations())
        m_duration->addItem(formatDuration(minutes), minutes);
    m_duration->setCurrentIndex(m_duration->findData(Schedule::defaultDurationMinutes));
    form->addRow(QStringLiteral("Durata"), m_duration);

    m_dentist = new QComboBox(this);
    m_dentist->setObjectName(QStringLiteral("dentistPicker"));
    m_dentist->addItem(QStringLiteral("Qualsiasi dentista"));
    for (const Dentist& d : m_store.dentists())
        if (d.worksOn(Clock::today()))
            m_dentist->addItem(d.name, d.id);
    form->addRow(QStringLiteral("Dentista"), m_dentist);

    m_from = PanelStyle::dateField(QStringLiteral("fromPicker"), Clock::today(),
                                   QStringLiteral("ddd dd/MM/yyyy"), this, &m_store);
    m_from->setMinimumDate(Clock::today());
    form->addRow(QStringLiteral("Dal giorno"), m_from);

    m_part = new QComboBox(this);
    m_part->setObjectName(QStringLiteral("partPicker"));
    for (const DayPart part : {DayPart::Any, DayPart::Morning, DayPart::Afternoon})
        m_part->addItem(DayParts::label(part), int(part));
    form->addRow(QStringLiteral("Fascia"), m_part);

    form->addRow(QStringLiteral("Giorni"), buildWeekdays());
    column->addLayout(form);
    // A combo box would otherwise be read as its value ("30 min") instead of what it chooses.
    m_duration->setAccessibleName(QStringLiteral("Durata"));
    m_dentist->setAccessibleName(QStringLiteral("Dentista"));
    m_part->setAccessibleName(QStringLiteral("Fascia"));

    m_hint = new QLabel(this);
    m_hint->setObjectName(QStringLiteral("hint"));
    m_hint->setWordWrap(true);
    PanelStyle::style(m_hint, PanelStyle::callout(), PanelStyle::secondaryText(palette()));
    column->addWidget(m_hint);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("slots"));
    m_list->setAccessibleName(QStringLiteral("Posti liberi"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setUniformItemSizes(true);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->viewport()->setCursor(Qt::PointingHandCursor);
    m_list->installEventFilter(this);
    m_list->setFixedHeight(shownSlots * (QFontMetrics(m_list->font()).height() + 8) + 4);
    column->addWidget(m_list);

    auto* waiting = new QPushButton(QStringLiteral("Aggiungi alla lista d'attesa…"), this);
    waiting->setObjectName(QStringLiteral("addToWaitingList"));
    column->addWidget(waiting, 0, Qt::AlignLeft);
    connect(waiting, &QPushButton::clicked, this, &FreeSlotPanel::addToWaitingList);

    setFixedWidth(panelWidth);
    for (QComboBox* box : {m_duration, m_dentist, m_part})
        ComboTyping::enable(box);
    connect(m_duration, &QComboBox::currentIndexChanged, this, &FreeSlotPanel::refresh);
    connect(m_dentist, &QComboBox::currentIndexChanged, this, &FreeSlotPanel::refresh);
    connect(m_part, &QComboBox::currentIndexChanged, this, &FreeSlotPanel::refresh);
    connect(m_from, &QDateEdit::dateChanged, this, &FreeSlotPanel::refresh);
    connect(m_list, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        pick(m_results.at(m_list->row(item)));
    });
    refresh();
    m_duration->setFocus(Qt::OtherFocusReason);
}

// One toggle per weekday, Monday to Friday, all on at first.
QWidget* FreeSlotPanel::buildWeekdays()
{
    auto* weekdays = new QWidget(this);
    auto* weekdayRow = new QHBoxLayout(weekdays);
    weekdayRow->setContentsMargins(0, 0, 0, 0);
    weekdayRow->setSpacing(2);
    const QStringList names{QStringLiteral("Lun"), QStringLiteral("Mar"), QStringLiteral("Mer"),
                            QStringLiteral("Gio"), QStringLiteral("Ven")};
    for (qsizetype i = 0; i < names.size(); ++i) {
        auto* day = new QToolButton(weekdays);
        day->setObjectName(QStringLiteral("weekday%1").arg(i));
        day->setText(names[i]);
        day->setCheckable(true);
        day->setChecked(true);
        day->setAccessibleName(Cal::locale().standaloneDayName(int(i) + 1));
        weekdayRow->addWidget(day);
        m_weekdays.append(day);
        connect(day, &QToolButton::toggled, this, &FreeSlotPanel::refresh);
    }
    weekdayRow->addStretch(1);
    // A chosen day must look chosen on every style, and the one with the keyboard must show it.
    weekdays->setStyleSheet(
        QStringLiteral("QToolButton { padding: 2px 6px; border: 1px solid palette(mid); border-radius: 4px; }"
                       "QToolButton:checked { background: palette(highlight); color: palette(highlighted-text);"
                       " border-color: palette(highlight); }"
                       "QToolButton:focus { padding: 1px 5px; border: 2px solid palette(highlight); }"
                       "QToolButton:checked:focus { border-color: palette(text); }"));
    return weekdays;
}

SlotSearch FreeSlotPanel::search() const
{
    SlotSearch search;
    search.durationMinutes = m_duration->currentData().toInt();
    if (m_dentist->currentIndex() > 0)
        search.dentistId = m_dentist->currentData().toLongLong();
    search.from = m_from->date();
    search.part = SlotSearch::Part(m_part->currentData().toInt());
    search.weekdays.clear();
    for (qsizetype i = 0; i < m_weekdays.size(); ++i)
        if (m_weekdays[i]->isChecked())
            search.weekdays.append(int(i));
    return search;
}

QString FreeSlotPanel::hint() const
{
    return m_hint->isHidden() ? QString() : m_hint->text();
}

void FreeSlotPanel::refresh()
{
    const SlotSearch wanted = search();
    const std::optional<QList<FreeSlot>> found = m_store.freeSlots(wanted, shownSlots);
    m_results = found.value_or(QList<FreeSlot>());
    m_list->clear();
    for (const FreeSlot& slot : std::as_const(m_results))
        m_list->addItem(rowText(slot));
    if (!m_results.isEmpty())
        m_list->setCurrentRow(0);
    QString hint;
    if (wanted.weekdays.isEmpty())
        hint = QStringLiteral("Scegli almeno un giorno della settimana.");
    else if (!found)
        hint = Store::unansweredText();
    else if (m_results.isEmpty())
        hint = QStringLiteral("Nessun posto libero nei prossimi cinque anni.");
    m_hint->setText(hint);
    m_hint->setVisible(!hint.isEmpty());
    m_list->setVisible(!m_results.isEmpty());
}

QString FreeSlotPanel::rowText(const FreeSlot& slot) const
{
    const std::optional<Dentist> dentist = m_store.dentist(slot.dentistId);
    const int duration = m_duration->currentData().toInt();
    const Appointment shown{0, slot.dentistId, Cal::dayKey(slot.day), slot.startMinutes, duration, {}, {}, {}, {}};
    return Cal::capitalizedFirst(Cal::format(slot.day, QStringLiteral("EEEEdMMMM"))) + QStringLiteral(" · ")
        + shown.timeRange() + QStringLiteral(" · ") + (dentist ? dentist->name : QString());
}

void FreeSlotPanel::bookFor(const Recall& recall, int durationMinutes)
{
    m_recall = recall;
    m_patient->setText(QStringLiteral("Per ") + recall.patient
                       + (recall.phone.isEmpty() ? QString() : QStringLiteral(" – ") + recall.phone) + QStringLiteral(" (")
                       + recall.kind + u')');
    m_patient->show();
    const int index = m_duration->findData(durationMinutes);
    if (index >= 0)
        m_duration->setCurrentIndex(index);
}

void FreeSlotPanel::pick(const FreeSlot& slot)
{
    const int duration = m_duration->currentData().toInt();
    m_store.showDate(slot.day);
    m_close();
    if (m_recall)
        m_store.bookForRecall(*m_recall);
    m_store.newAppointment(slot.day, slot.dentistId, slot.startMinutes, duration);
}

void FreeSlotPanel::pickChosen()
{
    if (m_results.isEmpty())
        return;
    pick(m_results.at(std::max(m_list->currentRow(), 0)));
}

bool FreeSlotPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            pickChosen();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// Return in any field that does not take it itself (the pickers, the date, the weekdays) picks.
void FreeSlotPanel::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        pickChosen();
        return;
    }
    QWidget::keyPressEvent(event);
}

// What was asked goes to the waiting list's form, over the agenda window that the panel's popup belongs to.
void FreeSlotPanel::addToWaitingList()
{
    const SlotSearch asked = search();
    WaitingEntry entry;
    entry.durationMinutes = asked.durationMinutes;
    entry.dentistId = asked.dentistId;
    entry.from = asked.from;
    entry.part = asked.part;
    entry.weekdays = 0;
    for (const int day : asked.weekdays)
        entry.weekdays |= 1 << day;
    QWidget* host = window() != this ? window()->parentWidget() : nullptr;
    Store& store = m_store;
    m_close();
    auto* form = new WaitingEntryForm(store, entry, host);
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->setWindowModality(host ? Qt::WindowModal : Qt::ApplicationModal);
    form->open();
}
