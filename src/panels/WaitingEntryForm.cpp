#include "WaitingEntryForm.h"

#include "Cal.h"
#include "Clock.h"
#include "DateField.h"
#include "PanelStyle.h"
#include "Schedule.h"
#include "Store.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

WaitingEntryForm::WaitingEntryForm(Store& store, const WaitingEntry& entry, QWidget* parent)
    : QDialog(parent)
    , m_store(store)
    , m_entry(entry)
{
    setObjectName(QStringLiteral("waitingEntryForm"));
    setLocale(Cal::locale());
    setWindowTitle(entry.id == 0 ? QStringLiteral("Aggiungi alla lista d'attesa")
                                 : QStringLiteral("Modifica la lista d'attesa"));
    auto* column = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);

    m_patient = new QLineEdit(entry.patient, this);
    m_patient->setObjectName(QStringLiteral("patient"));
    form->addRow(QStringLiteral("Paziente"), m_patient);
    m_phone = new QLineEdit(entry.phone, this);
    m_phone->setObjectName(QStringLiteral("phone"));
    form->addRow(QStringLiteral("Telefono"), m_phone);

    m_duration = new QComboBox(this);
    m_duration->setObjectName(QStringLiteral("duration"));
    for (const int minutes : Schedule::durations())
        m_duration->addItem(formatDuration(minutes), minutes);
    m_duration->setCurrentIndex(std::max(0, m_duration->findData(entry.durationMinutes)));
    form->addRow(QStringLiteral("Durata"), m_duration);

    m_dentist = new QComboBox(this);
    m_dentist->setObjectName(QStringLiteral("dentist"));
    m_dentist->addItem(QStringLiteral("Qualsiasi dentista"));
    for (const Dentist& d : store.dentists())
        if (d.worksOn(Clock::today()) || d.id == entry.dentistId)
            m_dentist->addItem(d.name, d.id);
    if (entry.dentistId)
        m_dentist->setCurrentIndex(std::max(0, m_dentist->findData(*entry.dentistId)));
    form->addRow(QStringLiteral("Dentista"), m_dentist);

    addWeekdays(form);

    m_part = new QComboBox(this);
    m_part->setObjectName(QStringLiteral("part"));
    for (const DayPart part : {DayPart::Any, DayPart::Morning, DayPart::Afternoon})
        m_part->addItem(DayParts::label(part), int(part));
    m_part->setCurrentIndex(m_part->findData(int(entry.part)));
    form->addRow(QStringLiteral("Fascia"), m_part);

    const QString dateFormat = QStringLiteral("ddd dd/MM/yyyy");
    m_from = PanelStyle::dateField(QStringLiteral("from"), entry.from.isValid() ? entry.from : Clock::today(),
                                   dateFormat, this, &store);
    form->addRow(QStringLiteral("Dal giorno"), m_from);
    m_hasUntil = new QCheckBox(QStringLiteral("Fino al giorno"), this);
    m_hasUntil->setObjectName(QStringLiteral("hasUntil"));
    m_hasUntil->setChecked(entry.until.has_value());
    m_until = PanelStyle::dateField(QStringLiteral("until"), entry.until.value_or(m_from->date().addMonths(1)),
                                    dateFormat, this, &store);
    m_until->setEnabled(entry.until.has_value());
    connect(m_hasUntil, &QCheckBox::toggled, m_until, &QWidget::setEnabled);
    form->addRow(m_hasUntil, m_until);

    m_note = new QLineEdit(entry.note, this);
    m_note->setObjectName(QStringLiteral("note"));
    form->addRow(QStringLiteral("Nota"), m_note);
    column->addLayout(form);

    m_error = new QLabel(this);
    m_error->setObjectName(QStringLiteral("error"));
    m_error->setWordWrap(true);
    PanelStyle::style(m_error, PanelStyle::callout(), PanelStyle::errorRed());
    m_error->hide();
    column->addWidget(m_error);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("Annulla"), QDialogButtonBox::RejectRole);
    QPushButton* saveButton = buttons->addButton(QStringLiteral("Salva"), QDialogButtonBox::AcceptRole);
    saveButton->setObjectName(QStringLiteral("save"));
    saveButton->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &WaitingEntryForm::save);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    column->addWidget(buttons);
    m_patient->setFocus(Qt::OtherFocusReason);
}

void WaitingEntryForm::addWeekdays(QFormLayout* form)
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < 5; ++i) {
        auto* day = new QCheckBox(Cal::capitalizedFirst(Cal::locale().dayName(i + 1, QLocale::ShortFormat)), row);
        day->setObjectName(QStringLiteral("weekday%1").arg(i));
        day->setAccessibleName(Cal::locale().standaloneDayName(i + 1));
        day->setChecked(m_entry.wantsWeekday(i));
        layout->addWidget(day);
        m_weekdays.append(day);
    }
    layout->addStretch(1);
    form->addRow(QStringLiteral("Giorni"), row);
}

WaitingEntry WaitingEntryForm::entry() const
{
    WaitingEntry e = m_entry;
    e.patient = m_patient->text();
    e.phone = m_phone->text();
    e.durationMinutes = m_duration->currentData().toInt();
    e.dentistId = m_dentist->currentIndex() > 0 ? std::optional<qint64>(m_dentist->currentData().toLongLong())
                                                : std::nullopt;
    e.weekdays = 0;
    for (qsizetype i = 0; i < m_weekdays.size(); ++i)
        if (m_weekdays[i]->isChecked())
            e.weekdays |= 1 << i;
    e.part = DayPart(m_part->currentData().toInt());
    e.from = m_from->date();
    e.until = m_hasUntil->isChecked() ? std::optional<QDate>(m_until->date()) : std::nullopt;
    e.note = m_note->text();
    return e;
}

QString WaitingEntryForm::errorText() const
{
    return m_error->isHidden() ? QString() : m_error->text();
}

void WaitingEntryForm::save()
{
    if (const std::optional<QString> refusal = m_store.saveWaitingEntry(entry())) {
        m_error->setText(*refusal);
        m_error->show();
        return;
    }
    accept();
}
