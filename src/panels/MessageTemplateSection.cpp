#include "MessageTemplateSection.h"

#include "DatabaseError.h"
#include "PanelStyle.h"
#include "ReminderMessage.h"

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

MessageTemplateSection::MessageTemplateSection(Setup setup, QWidget* parent)
    : FormSection(setup.title, parent)
    , m_setup(std::move(setup))
{
    const QString& name = m_setup.name;
    auto* about = wrapped(name + QStringLiteral("About"), this);
    about->setText(m_setup.about);
    PanelStyle::style(about, PanelStyle::caption(), PanelStyle::secondaryText(palette()));
    form()->addRow(about);

    m_field = new QPlainTextEdit(this);
    m_field->setObjectName(name + QStringLiteral("Template"));
    m_field->setAccessibleName(m_setup.accessibleName);
    m_field->setTabChangesFocus(true);
    m_field->setFixedHeight(90);
    m_message = wrapped(name + QStringLiteral("Message"), this);
    std::optional<QString> stored;
    try {
        stored = m_setup.stored();
    } catch (const DatabaseError& error) {
        m_field->setEnabled(false);
        stored = QString();
        m_message->setText(QStringLiteral("Errore nella lettura delle impostazioni: ") + error.message());
    }
    m_field->setPlainText(stored.value_or(m_setup.defaultText));
    form()->addRow(QStringLiteral("Testo"), m_field);

    m_example = wrapped(name + QStringLiteral("Example"), this);
    form()->addRow(QStringLiteral("Esempio"), m_example);
    m_length = wrapped(name + QStringLiteral("Length"), this);
    form()->addRow(QStringLiteral("Lunghezza"), m_length);

    auto* reset = new QPushButton(QStringLiteral("Ripristina il testo predefinito"), this);
    reset->setObjectName(name + QStringLiteral("Reset"));
    form()->addRow(QString(), reset);
    form()->addRow(m_message);

    m_save = new QTimer(this);
    m_save->setSingleShot(true);
    m_save->setInterval(600);
    connect(m_save, &QTimer::timeout, this, &MessageTemplateSection::saveNow);
    connect(m_field, &QPlainTextEdit::textChanged, this, [this] {
        showExample();
        m_save->start();
    });
    connect(reset, &QPushButton::clicked, this, [this] { m_field->setPlainText(m_setup.defaultText); });
    showExample();
}

void MessageTemplateSection::showExample()
{
    const QString text = m_field->toPlainText().trimmed().isEmpty() ? m_setup.defaultText : m_field->toPlainText();
    const QString message = m_setup.example(text);
    m_example->setText(message);
    m_length->setText(ReminderMessage::lengthText(message));
}

void MessageTemplateSection::saveNow()
{
    m_save->stop();
    if (!m_field->isEnabled())
        return;
    const QString text = m_field->toPlainText();
    const bool isDefault = text.trimmed() == m_setup.defaultText;
    const std::optional<QString> failure = m_setup.save(isDefault ? QString() : text);
    m_message->setText(failure.value_or(QString()));
    QPalette palette = m_message->palette();
    palette.setColor(QPalette::WindowText, PanelStyle::errorRed());
    m_message->setPalette(palette);
}

void MessageTemplateSection::hideEvent(QHideEvent* event)
{
    if (m_save->isActive())
        saveNow();
    FormSection::hideEvent(event);
}
