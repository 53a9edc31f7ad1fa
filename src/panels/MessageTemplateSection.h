#pragma once

#include "FormSection.h"

#include <functional>
#include <optional>

class QLabel;
class QPlainTextEdit;
class QTimer;

// A text message template of the settings window (the reminders', the recalls'): the placeholders it may
// hold named above it, the message as a patient would read it and its length in SMS characters, both
// following the typing. Saved for the whole practice a moment after the typing stops (and when the page
// is left); a blank text, the default one or "Ripristina il testo predefinito" stores nothing, so that a
// later default reaches practices that never changed it.
class MessageTemplateSection : public FormSection {
    Q_OBJECT

public:
    struct Setup {
        QString title;          // the section's title
        QString name;           // the controls' object names start with it: "<name>Template", "<name>Example"…
        QString about;          // the text above the field
        QString accessibleName; // the field's
        QString defaultText;
        std::function<std::optional<QString>()> stored;                     // throws DatabaseError
        std::function<std::optional<QString>(const QString&)> save;         // the failure's text
        std::function<QString(const QString& text)> example;                // the message a patient reads
    };

    explicit MessageTemplateSection(Setup setup, QWidget* parent = nullptr);

    [[nodiscard]] QPlainTextEdit* field() const { return m_field; }
    // Saves what is typed now, if it was not saved yet.
    void saveNow();

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void showExample();

    Setup m_setup;
    QPlainTextEdit* m_field = nullptr;
    QLabel* m_example = nullptr;
    QLabel* m_length = nullptr;
    QLabel* m_message = nullptr;
    QTimer* m_save = nullptr;
};
