#include "AppointmentEditor.h"

#include "Cal.h"
#include "DatabaseError.h"
#include "Dialogs.h"
#include "FormSection.h"
#include "NotesEdit.h"
#include "PanelStyle.h"
#include "Schedule.h"
#include "Store.h"

#include <QAbstractItemView>
#include <QCalendarWidget>
#include <QComboBox>
#include <QCompleter>
#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QStandardItemModel>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int sheetWidth = 540;
constexpr int sheetHeight = 640;
constexpr int padding = 20;

const QString newTitle = QStringLiteral("Nuovo appuntamento");
const QString editTitle = QStringLiteral("Modifica appuntamento");

} // namespace

AppointmentEditor::AppointmentEditor(Store& store, const Appointment& appointment, QWidget* parent)
    : QDialog(parent)
    , m_store(store)
    , m_draft(appointment)
    , m_opened(appointment)
{
    setWindowModality(Qt::WindowModal);
    setFixedSize(sheetWidth, sheetHeight);
    setLocale(Cal::locale());

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    m_title = new QLabel(this);
    m_title->setFont(PanelStyle::title2());
    m_title->setContentsMargins(padding, padding, padding, 4);
    column->addWidget(m_title);

    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget(scroll);
    buildForm(content);
    scroll->setWidget(content);
    scroll->viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);
    column->addWidget(scroll, 1);

    m_errorLine = new QWidget(this);
    auto* errorRow = new QHBoxLayout(m_errorLine);
    errorRow->setContentsMargins(padding, 6, padding, 0);
    errorRow->setSpacing(6);
    auto* triangle = new QLabel(m_errorLine);
    const int iconSize = QFontMetrics(PanelStyle::body()).height() - 2;
    triangle->setPixmap(PanelStyle::warningTrianglePixmap(iconSize, devicePixelRatioF()));
    triangle->setAlignment(Qt::AlignTop);
    errorRow->addWidget(triangle, 0, Qt::AlignTop);
    m_errorText = new QLabel(m_errorLine);
    m_errorText->setObjectName(QStringLiteral("errorText"));
    m_errorText->setWordWrap(true);
    PanelStyle::style(m_errorText, PanelStyle::body(), PanelStyle::errorRed());
    errorRow->addWidget(m_errorText, 1);
    m_errorLine->hide();
    column->addWidget(buildNoticeLine());
    column->addWidget(m_errorLine);
    m_alternativesLine = new QWidget(this);
    m_alternativesLine->setObjectName(QStringLiteral("alternatives"));
    auto* alternativesRow = new QHBoxLayout(m_alternativesLine);
    alternativesRow->setContentsMargins(padding + iconSize + 6, 4, padding, 0);
    alternativesRow->setSpacing(6);
    m_alternativesLine->hide();
    column->addWidget(m_alternativesLine);

    column->addWidget(buildButtons());

    m_shownDentists = m_store.dentists();
    fillDentists();
    updateTitleAndButtons();
    m_save->setEnabled(!m_draft.patient.trimmed().isEmpty());

    setUpPatientSuggestions();
    connect(&m_store, &Store::changed, this, &AppointmentEditor::storeChanged);
    connect(&m_store, &Store::changedElsewhere, this, &AppointmentEditor::checkStoredVersion);
}

namespace {

constexpr int patientNameRole = Qt::UserRole + 1;
constexpr int patientPhoneRole = Qt::UserRole + 2;

} // namespace

// The patients already in the agenda whose name holds what is typed; picking one fills the name and
// the telephone (which stays editable).
void AppointmentEditor::setUpPatientSuggestions()
{
    m_knownPatients = new QStandardItemModel(this);
    m_patientCompleter = new QCompleter(m_knownPatients, this);
    m_patientCompleter->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    m_patientCompleter->setCompletionRole(patientNameRole);
    m_patientCompleter->setWidget(m_patient);
    connect(m_patient, &QLineEdit::textEdited, this, &AppointmentEditor::suggestPatients);
    connect(m_patientCompleter, qOverload<const QModelIndex&>(&QCompleter::activated), this,
            [this](const QModelIndex& index) {
                m_patient->setText(index.data(patientNameRole).toString());
                m_phone->setText(index.data(patientPhoneRole).toString());
            });
}

void AppointmentEditor::suggestPatients(const QString& text)
{
    m_store.knownPatients(text, this, [this](const QList<KnownPatient>& found) { showKnownPatients(found); });
}

void AppointmentEditor::showKnownPatients(const QList<KnownPatient>& found)
{
    m_knownPatients->clear();
    for (const KnownPatient& patient : found) {
        auto* item = new QStandardItem(patient.phone.isEmpty() ? patient.name
                                                               : patient.name + QStringLiteral(" · ") + patient.phone);
        item->setData(patient.name, patientNameRole);
        item->setData(patient.phone, patientPhoneRole);
        item->setEditable(false);
        m_knownPatients->appendRow(item);
    }
    if (m_knownPatients->rowCount() > 0)
        m_patientCompleter->complete();
    else
        m_patientCompleter->popup()->hide();
}

QWidget* AppointmentEditor::buildNoticeLine()
{
    m_noticeLine = new QWidget(this);
    auto* rows = new QVBoxLayout(m_noticeLine);
    rows->setContentsMargins(padding, 6, padding, 0);
    rows->setSpacing(6);
    m_noticeText = new QLabel(m_noticeLine);
    m_noticeText->setObjectName(QStringLiteral("noticeText"));
    m_noticeText->setWordWrap(true);
    PanelStyle::style(m_noticeText, PanelStyle::body(), PanelStyle::noticeOrange());
    rows->addWidget(m_noticeText);
    auto* choices = new QHBoxLayout;
    m_useStored = new QPushButton(QStringLiteral("Usa la versione salvata"), m_noticeLine);
    m_useStored->setObjectName(QStringLiteral("useStoredButton"));
    m_saveOver = new QPushButton(QStringLiteral("Salva la mia versione"), m_noticeLine);
    m_saveOver->setObjectName(QStringLiteral("saveOverButton"));
    for (QPushButton* button : {m_useStored, m_saveOver}) {
        button->setAutoDefault(false);
        choices->addWidget(button);
    }
    choices->addStretch(1);
    rows->addLayout(choices);
    m_noticeLine->hide();
    connect(m_useStored, &QPushButton::clicked, this, &AppointmentEditor::useStoredVersion);
    connect(m_saveOver, &QPushButton::clicked, this, &AppointmentEditor::saveOverStoredVersion);
    return m_noticeLine;
}

void AppointmentEditor::buildForm(QWidget* content)
{
    auto* sections = new QVBoxLayout(content);
    sections->setContentsMargins(padding, 12, padding, 8);
    sections->setSpacing(14);

    auto* patientSection = new FormSection(QStringLiteral("Paziente"), content);
    m_patient = new QLineEdit(m_draft.patient, patientSection);
    m_patient->setObjectName(QStringLiteral("patientField"));
    m_phone = new QLineEdit(m_draft.phone, patientSection);
    m_phone->setObjectName(QStringLiteral("phoneField"));
    patientSection->form()->addRow(QStringLiteral("Nome e cognome"), m_patient);
    patientSection->form()->addRow(QStringLiteral("Telefono"), m_phone);
    sections->addWidget(patientSection);

    auto* appointmentSection = new FormSection(QStringLiteral("Appuntamento"), content);
    QFormLayout* form = appointmentSection->form();
    m_dentist = new QComboBox(appointmentSection);
    m_dentist->setObjectName(QStringLiteral("dentistPicker"));
    form->addRow(QStringLiteral("Dentista"), m_dentist);

    m_date = PanelStyle::dateField(QStringLiteral("datePicker"), m_draft.date(), QStringLiteral("ddd dd/MM/yyyy"),
                                   appointmentSection);
    form->addRow(QStringLiteral("Data"), m_date);

    m_start = new QComboBox(appointmentSection);
    m_start->setObjectName(QStringLiteral("startPicker"));
    m_start->setMaxVisibleItems(12);
    for (const int minutes : Schedule::startTimes())
        m_start->addItem(Schedule::clockText(minutes), minutes);
    selectData(m_start, m_draft.startMinutes);
    form->addRow(QStringLiteral("Ora"), m_start);

    m_duration = new QComboBox(appointmentSection);
    m_duration->setObjectName(QStringLiteral("durationPicker"));
    m_duration->setMaxVisibleItems(16);
    for (const int minutes : Schedule::durations())
        m_duration->addItem(formatDuration(minutes), minutes);
    selectData(m_duration, m_draft.durationMinutes);
    form->addRow(QStringLiteral("Durata"), m_duration);

    auto* treatmentRow = new QWidget(appointmentSection);
    auto* treatmentLayout = new QHBoxLayout(treatmentRow);
    treatmentLayout->setContentsMargins(0, 0, 0, 0);
    treatmentLayout->setSpacing(4);
    m_treatment = new QLineEdit(m_draft.treatment, treatmentRow);
    m_treatment->setObjectName(QStringLiteral("treatmentField"));
    treatmentLayout->addWidget(m_treatment, 1);
    m_suggestionsButton = new QToolButton(treatmentRow);
    m_suggestionsButton->setObjectName(QStringLiteral("suggestionsButton"));
    m_suggestionsButton->setAutoRaise(true);
    m_suggestionsButton->setIcon(PanelStyle::listBulletIcon(palette()));
    m_suggestionsButton->setToolTip(QStringLiteral("Scegli una prestazione"));
    m_suggestionsButton->setAccessibleName(QStringLiteral("Scegli una prestazione"));
    m_suggestionsButton->setPopupMode(QToolButton::InstantPopup);
    m_suggestionsButton->setStyleSheet(
        QStringLiteral("QToolButton::menu-indicator { image: none; width: 0px; }"));
    m_suggestions = new QMenu(m_suggestionsButton);
    m_suggestionsButton->setMenu(m_suggestions);
    treatmentLayout->addWidget(m_suggestionsButton);
    form->addRow(QStringLiteral("Prestazione"), treatmentRow);
    sections->addWidget(appointmentSection);

    auto* notesSection = new FormSection(QStringLiteral("Note"), content);
    m_notes = new NotesEdit(notesSection);
    m_notes->setObjectName(QStringLiteral("notesField"));
    m_notes->setPlaceholderText(QStringLiteral("Note"));
    m_notes->setPlainText(m_draft.notes);
    notesSection->form()->addRow(m_notes);
    sections->addWidget(notesSection);
    FormSection::alignLabels({patientSection, appointmentSection});
    sections->addStretch(1);

    connect(m_patient, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_draft.patient = text;
        m_save->setEnabled(!text.trimmed().isEmpty());
        edited();
    });
    connect(m_phone, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_draft.phone = text;
        edited();
    });
    connect(m_dentist, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            m_draft.dentistId = m_dentist->itemData(index).toLongLong();
        edited();
    });
    connect(m_date, &QDateEdit::dateChanged, this, [this] {
        fillDentists();
        edited();
    });
    connect(m_start, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            m_draft.startMinutes = m_start->itemData(index).toInt();
        edited();
    });
    connect(m_duration, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            m_draft.durationMinutes = m_duration->itemData(index).toInt();
        edited();
    });
    connect(m_treatment, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_draft.treatment = text;
        edited();
    });
    connect(m_notes, &QPlainTextEdit::textChanged, this, [this] {
        m_draft.notes = m_notes->toPlainText();
        edited();
    });
}

QWidget* AppointmentEditor::buildButtons()
{
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(padding, padding, padding, padding);
    row->setSpacing(8);

    m_delete = new QPushButton(QStringLiteral("Elimina…"), bar);
    m_delete->setObjectName(QStringLiteral("deleteButton"));
    QPalette destructive = m_delete->palette();
    destructive.setColor(QPalette::ButtonText, PanelStyle::errorRed());
    m_delete->setPalette(destructive);
    m_copy = new QPushButton(QStringLiteral("Crea copia"), bar);
    m_copy->setObjectName(QStringLiteral("copyButton"));
    m_copy->setToolTip(
        QStringLiteral("Crea un nuovo appuntamento con gli stessi dati (es. per una seduta successiva)"));
    m_cancel = new QPushButton(QStringLiteral("Annulla"), bar);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    m_save = new QPushButton(QStringLiteral("Salva"), bar);
    m_save->setObjectName(QStringLiteral("saveButton"));

    // Return always means "Salva", wherever the focus is (except inside the notes).
    for (QPushButton* button : {m_delete, m_copy, m_cancel})
        button->setAutoDefault(false);
    m_save->setAutoDefault(true);
    m_save->setDefault(true);
    PanelStyle::makeProminent(m_save);

    row->addWidget(m_delete);
    row->addWidget(m_copy);
    row->addStretch(1);
    row->addWidget(m_cancel);
    row->addWidget(m_save);

    connect(m_delete, &QPushButton::clicked, this, &AppointmentEditor::confirmDelete);
    connect(m_copy, &QPushButton::clicked, this, &AppointmentEditor::makeCopy);
    connect(m_cancel, &QPushButton::clicked, this, &AppointmentEditor::reject);
    connect(m_save, &QPushButton::clicked, this, &AppointmentEditor::save);
    return bar;
}

void AppointmentEditor::selectData(QComboBox* box, qint64 value)
{
    // A value the picker does not offer shows an empty picker and stays in the draft untouched.
    const QSignalBlocker blocker(box);
    box->setCurrentIndex(box->findData(value));
}

void AppointmentEditor::fillDentists()
{
    const QSignalBlocker blocker(m_dentist);
    m_dentist->clear();
    // Those who work on the chosen day; the appointment's own dentist stays, so that nothing changes by itself.
    for (const Dentist& d : std::as_const(m_shownDentists))
        if (d.worksOn(m_date->date()) || d.id == m_draft.dentistId)
            m_dentist->addItem(d.name, d.id);
    m_dentist->setCurrentIndex(m_dentist->findData(m_draft.dentistId));
}

void AppointmentEditor::edited()
{
    setError(std::nullopt);
}

void AppointmentEditor::setError(const std::optional<QString>& message)
{
    if (!message)
        setAlternatives({});
    if (message == m_error)
        return;
    m_error = message;
    m_errorText->setText(message.value_or(QString()));
    m_errorLine->setVisible(message.has_value());
}

void AppointmentEditor::updateTitleAndButtons()
{
    const bool stored = m_draft.id != 0;
    m_title->setText(stored ? editTitle : newTitle);
    setWindowTitle(m_title->text());
    m_delete->setVisible(stored);
    m_copy->setVisible(stored);
}

void AppointmentEditor::save()
{
    if (m_draft.patient.trimmed().isEmpty())
        return;
    Appointment copy = m_draft;
    copy.day = Cal::dayKey(m_date->date());
    const std::optional<SaveRefusal> refusal = m_store.saveEdited(copy, m_opened);
    if (!refusal) {
        m_store.setEditing(std::nullopt);
        return;
    }
    switch (refusal->reason) {
    case SaveRefusal::Reason::Deleted:
        m_stored.reset();
        setNotice(refusal->message + QStringLiteral(" Con «Crea copia» si può salvare come nuovo appuntamento."),
                  false);
        break;
    case SaveRefusal::Reason::ChangedElsewhere:
        m_stored = refusal->stored;
        setNotice(refusal->message, true);
        break;
    default:
        setError(refusal->message);
        setAlternatives(refusal->alternatives);
        break;
    }
}

// One button per nearest free start: a click puts it into the start picker (an edit like any other).
void AppointmentEditor::setAlternatives(const QList<int>& starts)
{
    if (starts == m_alternativeStarts)
        return;
    m_alternativeStarts = starts;
    QLayout* row = m_alternativesLine->layout();
    while (QLayoutItem* item = row->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    if (starts.isEmpty()) {
        m_alternativesLine->hide();
        return;
    }
    auto* caption = new QLabel(starts.size() == 1 ? QStringLiteral("Libero più vicino:")
                                                  : QStringLiteral("Liberi più vicini:"),
                               m_alternativesLine);
    PanelStyle::style(caption, PanelStyle::body(), PanelStyle::secondaryText(palette()));
    row->addWidget(caption);
    for (qsizetype i = 0; i < starts.size(); ++i) {
        auto* button = new QPushButton(QStringLiteral("Alle ") + Schedule::clockText(starts[i]), m_alternativesLine);
        button->setObjectName(QStringLiteral("alternative%1").arg(i));
        button->setAutoDefault(false);
        const int start = starts[i];
        connect(button, &QPushButton::clicked, this, [this, start] { m_start->setCurrentIndex(m_start->findData(start)); });
        row->addWidget(button);
    }
    static_cast<QHBoxLayout*>(row)->addStretch(1);
    m_alternativesLine->show();
}

void AppointmentEditor::useStoredVersion()
{
    if (!m_stored)
        return;
    m_draft = *m_stored;
    m_opened = *m_stored;
    m_stored.reset();
    showDraft();
    setNotice(std::nullopt, false);
    setError(std::nullopt);
}

void AppointmentEditor::saveOverStoredVersion()
{
    if (!m_stored)
        return;
    // The user has seen what is stored now and chose to replace it.
    m_opened = *m_stored;
    m_stored.reset();
    setNotice(std::nullopt, false);
    save();
}

// Puts the draft into every control without treating it as an edit.
void AppointmentEditor::showDraft()
{
    const Appointment draft = m_draft;
    const QList<QWidget*> fields{m_patient, m_phone, m_dentist, m_date, m_start, m_duration, m_treatment, m_notes};
    for (QWidget* field : fields)
        field->blockSignals(true);
    m_patient->setText(draft.patient);
    m_phone->setText(draft.phone);
    m_dentist->setCurrentIndex(m_dentist->findData(draft.dentistId));
    m_date->setDate(draft.date());
    m_start->setCurrentIndex(m_start->findData(draft.startMinutes));
    m_duration->setCurrentIndex(m_duration->findData(draft.durationMinutes));
    m_treatment->setText(draft.treatment);
    m_notes->setPlainText(draft.notes);
    for (QWidget* field : fields)
        field->blockSignals(false);
    fillDentists();
    m_save->setEnabled(!draft.patient.trimmed().isEmpty());
}

// Another program changed the archive: says so when that touched this appointment.
void AppointmentEditor::checkStoredVersion()
{
    if (m_draft.id == 0 || m_opened.id == 0)
        return;
    std::optional<Appointment> stored;
    try {
        stored = m_store.storedAppointment(m_opened.id);
    } catch (const DatabaseError&) {
        return; // looked at again with the next change, or when saving
    }
    if (!stored) {
        m_stored.reset();
        setNotice(Store::deletedElsewhereText() + QStringLiteral(" Con «Crea copia» si può salvare come nuovo appuntamento."),
                  false);
    } else if (!(*stored == m_opened)) {
        m_stored = stored;
        setNotice(m_store.changedElsewhereText(m_opened, *stored), true);
    } else {
        m_stored.reset();
        setNotice(std::nullopt, false);
    }
}

void AppointmentEditor::setNotice(const std::optional<QString>& text, bool offerChoice)
{
    m_notice = text;
    m_noticeText->setText(text.value_or(QString()));
    m_useStored->setVisible(offerChoice);
    m_saveOver->setVisible(offerChoice);
    m_noticeLine->setVisible(text.has_value());
}

void AppointmentEditor::makeCopy()
{
    m_draft.id = 0;
    m_stored.reset();
    setNotice(std::nullopt, false);
    setError(std::nullopt);
    updateTitleAndButtons();
}

void AppointmentEditor::confirmDelete()
{
    DialogRequest request;
    request.icon = QMessageBox::Warning;
    request.title = QStringLiteral("Eliminare l'appuntamento di ") + m_draft.patient + QStringLiteral("?");
    // Cancelling comes first so that Return never deletes.
    request.buttons = {{QStringLiteral("Annulla"), QMessageBox::RejectRole},
                       {QStringLiteral("Elimina"), QMessageBox::DestructiveRole}};
    request.escapeIndex = 0;
    QPointer<AppointmentEditor> self(this);
    Dialogs::open(this, request, [self](int index) {
        if (!self || index != 1)
            return;
        Store& store = self->m_store;
        const Appointment doomed = self->m_draft;
        store.deleteAppointment(doomed);
        store.setEditing(std::nullopt);
    });
}

void AppointmentEditor::reject()
{
    if (m_store.editing()) {
        m_store.setEditing(std::nullopt); // storeChanged() closes the sheet
        return;
    }
    if (!m_finished) {
        m_finished = true;
        QDialog::reject();
    }
}

void AppointmentEditor::storeChanged()
{
    if (!m_store.editing()) {
        if (!m_finished) {
            m_finished = true;
            done(QDialog::Rejected);
        }
        return;
    }
    if (m_store.dentists() != m_shownDentists) {
        m_shownDentists = m_store.dentists();
        fillDentists();
    }
}

void AppointmentEditor::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    m_store.treatmentSuggestions(this, [this](const QStringList& suggestions) {
        for (const QString& treatment : suggestions) {
            QString title = treatment;
            QAction* item = m_suggestions->addAction(title.replace(u'&', QStringLiteral("&&")));
            connect(item, &QAction::triggered, this, [this, treatment] { m_treatment->setText(treatment); });
        }
        m_suggestionsButton->setEnabled(true);
    });
    // The button opens its list once the suggestions are in (at once, unless the agenda must be read;
    // they always hold the default treatments).
    if (m_suggestions->isEmpty())
        m_suggestionsButton->setEnabled(false);
    if (m_draft.id == 0)
        m_patient->setFocus(Qt::OtherFocusReason);
    adoptParentActions();
}

void AppointmentEditor::adoptParentActions()
{
    if (!parentWidget())
        return;
    const QList<QAction*> inherited = parentWidget()->window()->actions();
    for (QAction* action : inherited)
        if (!actions().contains(action))
            addAction(action);
}
