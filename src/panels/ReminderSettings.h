#pragma once

#include "FormSection.h"

class QLabel;
class QPlainTextEdit;
class QTimer;
class Store;

// The settings window's "Promemoria": the text of the reminder messages, with the placeholders it may
// hold named beside it, the message as a patient would read it and its length in SMS characters, both
// following the typing. Saved for the whole practice through the store a moment after the typing stops
// (and when the page is left); a blank text, or "Ripristina il testo predefinito", goes back to the
// default.
class ReminderSettings : public FormSection {
    Q_OBJECT

public:
    explicit ReminderSettings(Store& store, QWidget* parent = nullptr);

    [[nodiscard]] QPlainTextEdit* field() const { return m_field; }
    // Saves what is typed now, if it was not saved yet.
    void saveNow();

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void showExample();

    Store& m_store;
    QPlainTextEdit* m_field = nullptr;
    QLabel* m_example = nullptr;
    QLabel* m_length = nullptr;
    QLabel* m_message = nullptr;
    QTimer* m_save = nullptr;
};
