// The appointment editor's form: one builder per section, and the wiring of its fields to the draft.
#include "AppointmentEditor.h"

#include "ChangeNotice.h"
#include "ComboTyping.h"
#include "DatabaseError.h"
#include "FormSection.h"
#include "HistorySection.h"
#include "NotesEdit.h"
#include "PanelStyle.h"
#include "RecallField.h"
#include "Store.h"
#include "Schedule.h"
#include "TreatmentField.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

void AppointmentEditor::buildForm(QWidget* content)
{
    auto* sections = new QVBoxLayout(content);
    sections->setContentsMargins(padding, 12, padding, 8);
    sections->setSpacing(14);
    FormSection* patient = buildPatientSection(content);
    FormSection* appointment = buildAppointmentSection(content);
    sections->addWidget(patient);
    sections->addWidget(appointment);
    sections->addWidget(buildNotesSection(content));
    // A new appointment has no history yet.
    if (m_draft.id != 0) {
        m_history = new HistorySection(m_store, m_draft.id, content);
        sections->addWidget(m_history);
    }
    FormSection::alignLabels({patient, appointment});
    sections->addStretch(1);
    connectFields();
}

FormSection* AppointmentEditor::buildPatientSection(QWidget* content)
{
    auto* section = new FormSection(QStringLiteral("Paziente"), content);
    m_patient = new QLineEdit(m_draft.patient, section);
    m_patient->setObjectName(QStringLiteral("patientField"));
    m_phone = new QLineEdit(m_draft.phone, section);
    m_phone->setObjectName(QStringLiteral("phoneField"));
    section->form()->addRow(fieldLabel(AppointmentField::Patient), m_patient);
    section->form()->addRow(fieldLabel(AppointmentField::Phone), m_phone);
    // Beside the patient it is about; the bar below has no room left.
    m_patientData = new QPushButton(QStringLiteral("Dati del paziente…"), section);
    m_patientData->setObjectName(QStringLiteral("patientDataButton"));
    m_patientData->setToolTip(QStringLiteral("Tutti gli appuntamenti di questo paziente, da consegnare su richiesta"));
    auto* dataRow = new QHBoxLayout;
    dataRow->addStretch(1);
    dataRow->addWidget(m_patientData);
    section->form()->addRow(dataRow);
    buildBrokenLine(section->form());
    return section;
}

FormSection* AppointmentEditor::buildAppointmentSection(QWidget* content)
{
    auto* section = new FormSection(QStringLiteral("Appuntamento"), content);
    QFormLayout* form = section->form();
    m_dentist = new QComboBox(section);
    m_dentist->setObjectName(QStringLiteral("dentistPicker"));
    form->addRow(fieldLabel(AppointmentField::Dentist), m_dentist);

    m_date = PanelStyle::dateField(QStringLiteral("datePicker"), m_draft.date(), QStringLiteral("ddd dd/MM/yyyy"),
                                   section, &m_store);
    form->addRow(fieldLabel(AppointmentField::Day), m_date);

    m_start = new QComboBox(section);
    m_start->setObjectName(QStringLiteral("startPicker"));
    m_start->setMaxVisibleItems(12);
    for (const int minutes : Schedule::startTimes())
        m_start->addItem(Schedule::clockText(minutes), minutes);
    selectData(m_start, m_draft.startMinutes);
    form->addRow(fieldLabel(AppointmentField::Start), m_start);

    m_duration = new QComboBox(section);
    m_duration->setObjectName(QStringLiteral("durationPicker"));
    m_duration->setMaxVisibleItems(16);
    for (const int minutes : Schedule::durations())
        m_duration->addItem(formatDuration(minutes), minutes);
    selectData(m_duration, m_draft.durationMinutes);
    form->addRow(fieldLabel(AppointmentField::Duration), m_duration);
    // A combo box would otherwise be read as its value ("09:00") instead of what it chooses.
    m_dentist->setAccessibleName(fieldLabel(AppointmentField::Dentist));
    m_start->setAccessibleName(fieldLabel(AppointmentField::Start));
    m_duration->setAccessibleName(fieldLabel(AppointmentField::Duration));
    for (QComboBox* box : {m_dentist, m_start, m_duration})
        ComboTyping::enable(box);

    m_treatmentField = new TreatmentField(m_draft.treatment, section);
    m_treatment = m_treatmentField->lineEdit();
    m_treatment->setAccessibleName(fieldLabel(AppointmentField::Treatment));
    form->addRow(fieldLabel(AppointmentField::Treatment), m_treatmentField);
    buildStatusField(form);
    buildRecallField(form);
    return section;
}

// A stored appointment shows its recall; a new one what the practice proposes for its treatment, which
// follows the treatment typed until the receptionist chooses.
void AppointmentEditor::buildRecallField(QFormLayout* form)
{
    RecallSettings settings = RecallSettings::defaults();
    RecallPlan plan;
    try {
        settings = m_store.recallSettings();
        plan = settings.proposalFor(m_draft.treatment);
        if (m_draft.id != 0) {
            const std::optional<Recall> stored = m_store.recallOf(m_draft.id);
            plan = stored ? Recalls::planOf(*stored) : RecallPlan{0, std::nullopt, plan.kind, plan.consent};
        }
    } catch (const DatabaseError&) {
        m_recallRead = m_draft.id == 0;
    }
    m_recallShown = plan;
    m_recall = new RecallField(settings, plan, form->parentWidget());
    m_recall->setEnabled(m_recallRead);
    form->addRow(QStringLiteral("Richiamo"), m_recall);
    connect(m_recall, &RecallField::edited, this, &AppointmentEditor::edited);
    if (m_draft.id == 0)
        connect(m_treatment, &QLineEdit::textChanged, m_recall,
                [this, settings](const QString& text) { m_recall->propose(settings.proposalFor(text)); });
}

FormSection* AppointmentEditor::buildNotesSection(QWidget* content)
{
    auto* section = new FormSection(QStringLiteral("Note"), content);
    m_notes = new NotesEdit(section);
    m_notes->setObjectName(QStringLiteral("notesField"));
    m_notes->setAccessibleName(fieldLabel(AppointmentField::Notes));
    m_notes->setPlaceholderText(fieldLabel(AppointmentField::Notes));
    m_notes->setPlainText(m_draft.notes);
    section->form()->addRow(m_notes);
    return section;
}

// Every control edits the draft in place (the date picker keeps its own day) and clears the error.
void AppointmentEditor::connectFields()
{
    // A name being typed is no longer the patient the history line spoke of.
    connect(m_patient, &QLineEdit::textEdited, m_broken, &QWidget::hide);
    connect(m_patient, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_draft.patient = text;
        updateSaveButton();
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
