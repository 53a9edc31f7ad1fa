#include "ReminderSettings.h"

#include "Cal.h"
#include "Clock.h"
#include "DatabaseError.h"
#include "PanelStyle.h"
#include "ReminderMessage.h"
#include "Store.h"

#include <QFormLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

namespace {

QLabel* wrapped(const QString& name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    return label;
}

} // namespace

ReminderSettings::ReminderSettings(Store& store, QWidget* parent)
    : FormSection(QStringLiteral("Promemoria SMS"), parent)
    , m_store(store)
{
    auto* about = wrapped(QStringLiteral("reminderAbout"), this);
    about->setText(QStringLiteral("Il testo dei promemoria che «Da confermare…» esporta per il servizio SMS. Puoi "
                                  "usare ") + ReminderMessage::placeholders().join(QStringLiteral(", "))
                   + QStringLiteral(": ognuno è sostituito dai dati dell'appuntamento. Non scrivere la prestazione: "
                                    "i dati sanitari non vanno negli SMS."));
    PanelStyle::style(about, PanelStyle::caption(), PanelStyle::secondaryText(palette()));
    form()->addRow(about);

    m_field = new QPlainTextEdit(this);
    m_field->setObjectName(QStringLiteral("reminderTemplate"));
    m_field->setAccessibleName(QStringLiteral("Testo del promemoria"));
    m_field->setTabChangesFocus(true);
    m_field->setFixedHeight(90);
    std::optional<QString> stored;
    try {
        stored = m_store.reminderTemplate();
    } catch (const DatabaseError& error) {
        m_field->setEnabled(false);
        stored = QString();
        m_message = wrapped(QStringLiteral("reminderMessage"), this);
        m_message->setText(QStringLiteral("Errore nella lettura delle impostazioni: ") + error.message());
    }
    m_field->setPlainText(stored.value_or(ReminderMessage::defaultTemplate()));
    form()->addRow(QStringLiteral("Testo"), m_field);

    m_example = wrapped(QStringLiteral("reminderExample"), this);
    form()->addRow(QStringLiteral("Esempio"), m_example);
    m_length = wrapped(QStringLiteral("reminderLength"), this);
    form()->addRow(QStringLiteral("Lunghezza"), m_length);

    auto* reset = new QPushButton(QStringLiteral("Ripristina il testo predefinito"), this);
    reset->setObjectName(QStringLiteral("reminderReset"));
    form()->addRow(QString(), reset);
    if (!m_message)
        m_message = wrapped(QStringLiteral("reminderMessage"), this);
    form()->addRow(m_message);

    m_save = new QTimer(this);
    m_save->setSingleShot(true);
    m_save->setInterval(600);
    connect(m_save, &QTimer::timeout, this, &ReminderSettings::saveNow);
    connect(m_field, &QPlainTextEdit::textChanged, this, [this] {
        showExample();
        m_save->start();
    });
    connect(reset, &QPushButton::clicked, this,
            [this] { m_field->setPlainText(ReminderMessage::defaultTemplate()); });
    showExample();
}

void ReminderSettings::showExample()
{
    QString dentist;
    for (const Dentist& d : m_store.dentists())
        if (dentist.isEmpty())
            dentist = d.name;
    const QDate day = m_store.nextOpenDay(Clock::today());
    // An ordinary name, the practice's own name and dentist: what a patient would read.
    const QString studio = m_store.studioName().isEmpty() ? QStringLiteral("Studio Dentistico") : m_store.studioName();
    const ReminderMessage::Values values{QStringLiteral("Maria Rossi"), Cal::format(day, QStringLiteral("EEEEdM")),
                                         QStringLiteral("10:30"), studio, dentist};
    const QString text = m_field->toPlainText().trimmed().isEmpty() ? ReminderMessage::defaultTemplate()
                                                                     : m_field->toPlainText();
    const QString message = ReminderMessage::render(text, values);
    m_example->setText(message);
    m_length->setText(ReminderMessage::lengthText(message));
}

void ReminderSettings::saveNow()
{
    m_save->stop();
    if (!m_field->isEnabled())
        return;
    const QString text = m_field->toPlainText();
    // The default text is not stored, so that a later default reaches practices that never changed it.
    const bool isDefault = text.trimmed() == ReminderMessage::defaultTemplate();
    const std::optional<QString> failure = m_store.setReminderTemplate(isDefault ? QString() : text);
    m_message->setText(failure.value_or(QString()));
    QPalette palette = m_message->palette();
    palette.setColor(QPalette::WindowText, PanelStyle::errorRed());
    m_message->setPalette(palette);
}

void ReminderSettings::hideEvent(QHideEvent* event)
{
    if (m_save->isActive())
        saveNow();
    FormSection::hideEvent(event);
}
