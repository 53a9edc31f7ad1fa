#include "AppointmentEditor.h"

#include "AccessibleComboBox.h"
#include "Cal.h"
#include "ChangeNotice.h"
#include "DatabaseError.h"
#include "Dialogs.h"
#include "InviteButton.h"
#include "NotesEdit.h"
#include "PanelStyle.h"
#include "PatientSuggestions.h"
#include "RecallField.h"
#include "RefusalLines.h"
#include "Store.h"
#include "TreatmentField.h"

#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

constexpr int sheetWidth = 540;
constexpr int sheetHeight = 640;

const QString newTitle = QStringLiteral("Nuovo appuntamento");
const QString editTitle = QStringLiteral("Modifica appuntamento");

} // namespace

AppointmentEditor::AppointmentEditor(Store& store, const Appointment& appointment, QWidget* parent)
    : QDialog(parent)
    , m_store(store)
    , m_draft(appointment)
    , m_opened(appointment)
{
    // Before its combo boxes are made, so that screen readers hear their labels.
    AccessibleComboBox::installFactory();
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
    scroll->setAccessibleName(QStringLiteral("Dati dell'appuntamento"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget(scroll);
    buildForm(content);
    scroll->setWidget(content);
    scroll->viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);
    column->addWidget(scroll, 1);

    m_notice = new ChangeNotice(m_store, padding, this);
    connect(m_notice, &ChangeNotice::useStoredRequested, this, &AppointmentEditor::useStoredVersion);
    connect(m_notice, &ChangeNotice::saveOverRequested, this, &AppointmentEditor::saveOverStoredVersion);
    connect(m_notice, &ChangeNotice::valueChosen, this, &AppointmentEditor::takeValue);
    column->addWidget(m_notice);
    m_refusal = new RefusalLines(padding, this);
    // A start offered after an overlap goes into the start picker, an edit like any other.
    connect(m_refusal, &RefusalLines::startChosen, this,
            [this](int start) { m_start->setCurrentIndex(m_start->findData(start)); });
    column->addWidget(m_refusal);

    column->addWidget(buildButtons());

    m_shownDentists = m_store.dentists();
    fillDentists();
    updateTitleAndButtons();

    m_patientSuggestions = new PatientSuggestions(m_store, m_patient, m_phone, this);
    connect(m_patientSuggestions, &PatientSuggestions::picked, this, &AppointmentEditor::lookUpBrokenAppointments);
    if (m_draft.id != 0)
        lookUpBrokenAppointments();
    connect(&m_store, &Store::changed, this, &AppointmentEditor::storeChanged);
    connect(&m_store, &Store::changedElsewhere, this, &AppointmentEditor::checkStoredVersion);
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
    m_invite = new InviteButton(m_store, [this] { return shownVersion(); }, bar);
    m_cancel = new QPushButton(QStringLiteral("Annulla"), bar);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    m_save = new QPushButton(QStringLiteral("Salva"), bar);
    m_save->setObjectName(QStringLiteral("saveButton"));

    // Return means "Salva", wherever the focus is (except inside the notes), unless the appointment is
    // gone from the archive: then it means "Crea copia" (see updateSaveButton).
    for (QPushButton* button : {m_delete, m_copy, m_patientData, m_cancel})
        button->setAutoDefault(false);
    m_save->setAutoDefault(true);
    m_save->setDefault(true);
    PanelStyle::makeProminent(m_save);

    row->addWidget(m_delete);
    row->addWidget(m_copy);
    row->addWidget(m_invite);
    row->addStretch(1);
    row->addWidget(m_cancel);
    row->addWidget(m_save);

    connect(m_delete, &QPushButton::clicked, this, &AppointmentEditor::confirmDelete);
    connect(m_copy, &QPushButton::clicked, this, &AppointmentEditor::makeCopy);
    connect(m_cancel, &QPushButton::clicked, this, &AppointmentEditor::reject);
    connect(m_save, &QPushButton::clicked, this, &AppointmentEditor::save);
    connect(m_patientData, &QPushButton::clicked, this,
            [this] { emit patientDataRequested(m_draft.patient.trimmed()); });
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
    m_refusal->setError(message);
}

void AppointmentEditor::updateTitleAndButtons()
{
    const bool stored = m_draft.id != 0;
    m_title->setText(stored ? editTitle : newTitle);
    setWindowTitle(m_title->text());
    m_delete->setVisible(stored);
    m_copy->setVisible(stored);
    m_invite->setVisible(stored);
    m_patientData->setVisible(stored);
    // A copy starts as a new booking: awaiting confirmation.
    m_status->setEnabled(stored);
    showStoredStatus();
    updateSaveButton();
}

// "Salva" cannot store a blank name, nor an appointment another computer deleted; "Crea copia" can
// keep the latter, so Return goes to it.
void AppointmentEditor::updateSaveButton()
{
    const bool gone = m_draft.id != 0 && m_notice->state() == ChangeNotice::State::Deleted;
    m_save->setEnabled(!m_draft.patient.trimmed().isEmpty() && !gone);
    m_patientData->setEnabled(!m_draft.patient.trimmed().isEmpty());
    m_save->setDefault(!gone);
    m_copy->setDefault(gone);
}

void AppointmentEditor::save()
{
    if (m_draft.patient.trimmed().isEmpty())
        return;
    const Appointment copy = shownVersion();
    const RecallPlan plan = m_recall->plan();
    const bool writeRecall = m_recallRead && (copy.id == 0 || plan != m_recallShown);
    const std::optional<SaveRefusal> refusal =
        m_store.saveEdited(copy, m_opened, writeRecall ? std::optional<RecallPlan>(plan) : std::nullopt);
    if (!refusal) {
        // What was saved is shown: a copy for a later session lands on a day the agenda may not show.
        if (!m_store.visibleDays().contains(copy.date()))
            m_store.showDate(copy.date());
        m_store.setEditing(std::nullopt);
        return;
    }
    switch (refusal->reason) {
    case SaveRefusal::Reason::Deleted:
        showDeleted(refusal->message);
        break;
    case SaveRefusal::Reason::ChangedElsewhere:
        m_stored = refusal->stored;
        m_notice->showChanged(refusal->message);
        break;
    default:
        setError(refusal->message);
        m_refusal->setAlternatives(refusal->alternatives);
        break;
    }
}

Appointment AppointmentEditor::shownVersion() const
{
    Appointment shown = m_draft;
    shown.day = Cal::dayKey(m_date->date());
    return shown;
}

// The stored version, with what the user changed and the other computer did not; the fields both
// changed are offered in the notice, one choice each.
void AppointmentEditor::useStoredVersion()
{
    if (!m_stored)
        return;
    const Appointment stored = *m_stored;
    const Appointment mine = shownVersion();
    const VersionMerge::Result merge = VersionMerge::merge(m_opened, mine, stored);
    m_draft = merge.merged;
    m_opened = stored;
    m_stored.reset();
    showDraft();
    setError(std::nullopt);
    if (merge.conflicts.isEmpty())
        m_notice->clear();
    else
        m_notice->showConflicts(mine, stored, merge.conflicts);
}

void AppointmentEditor::takeValue(AppointmentField field, const Appointment& from)
{
    m_draft.day = shownVersion().day;
    VersionMerge::take(field, m_draft, from);
    showDraft();
    setError(std::nullopt);
}

void AppointmentEditor::saveOverStoredVersion()
{
    if (!m_stored)
        return;
    // The user has seen what is stored now and chose to replace it.
    m_opened = *m_stored;
    m_stored.reset();
    m_notice->clear();
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
    updateSaveButton();
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
        showDeleted(Store::deletedElsewhereText());
    } else if (!(*stored == m_opened)) {
        m_stored = stored;
        m_notice->showChanged(m_store.changedElsewhereText(m_opened, *stored));
    } else {
        m_stored.reset();
        // The choices left after a merge stay until the sheet closes.
        if (m_notice->state() != ChangeNotice::State::Merged)
            m_notice->clear();
        updateSaveButton();
    }
}

void AppointmentEditor::showDeleted(const QString& message)
{
    m_stored.reset();
    m_notice->showDeleted(message
                          + QStringLiteral(" Con «Crea copia» si può salvare come nuovo appuntamento."));
    updateSaveButton();
}

void AppointmentEditor::makeCopy()
{
    m_draft.id = 0;
    m_stored.reset();
    m_notice->clear();
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
        // What the user saw stored is removed, and only while it still is what is stored.
        const Appointment doomed = self->m_opened;
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
    showStoredStatus();
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
    m_treatmentField->fetchSuggestions(m_store);
    // The name first, for a stored appointment too: it is what the receptionist checks or types.
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

std::optional<QString> AppointmentEditor::notice() const
{
    return m_notice->text();
}

const std::optional<QString>& AppointmentEditor::error() const
{
    return m_refusal->error();
}

const QList<int>& AppointmentEditor::alternatives() const
{
    return m_refusal->alternatives();
}
