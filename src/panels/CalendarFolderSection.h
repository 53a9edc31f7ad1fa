#pragma once

#include "FormSection.h"

#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class Store;

// The settings window's "Calendari dei dentisti": the folder where every computer of the practice that
// reaches it keeps one calendar file per dentist. "Scegli…" sets it and "Non usare" clears it, saving
// at once through the store like the rest of the window; the outcome shows under the buttons, and so
// does, in red, why this computer could not write the folder (until a later write succeeds). A folder
// set on another computer shows as soon as the store sees the change.
class CalendarFolderSection : public FormSection {
    Q_OBJECT

public:
    explicit CalendarFolderSection(Store& store, QWidget* parent = nullptr);

    // The folder as stored (empty: none), or why it could not be read.
    [[nodiscard]] QString folderText() const;
    [[nodiscard]] QString messageText() const;
    // Why the folder could not be written; empty while it can.
    [[nodiscard]] QString failureText() const;

    // Asks for a folder and keeps it; clears it.
    void choose();
    void clear();

private:
    void showStored();
    void followElsewhere();
    void showFailure();
    void apply(const QString& folder);

    Store& m_store;
    QLineEdit* m_folder = nullptr;
    QPushButton* m_clear = nullptr;
    QLabel* m_message = nullptr;
    QLabel* m_failure = nullptr;
};
