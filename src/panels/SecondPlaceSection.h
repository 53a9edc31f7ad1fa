#pragma once

#include "FormSection.h"

class QLabel;
class QLineEdit;
class QPushButton;
class RecoveryKeyRow;
class SecondPlace;
class Store;

// "Copia dei backup in un'altra cartella" on the settings page of the archive: the folder where this
// computer copies each backup (chosen with "Scegli…", turned off with "Nessuna"), the day of the last copy
// that arrived there, what the latest copy did, and the recovery key the copies are encrypted with.
class SecondPlaceSection : public FormSection {
    Q_OBJECT

public:
    SecondPlaceSection(Store& store, SecondPlace& place, QWidget* parent = nullptr);

    void choose();
    void clear();
    [[nodiscard]] QString folderText() const;
    [[nodiscard]] QString lastCopyText() const;
    [[nodiscard]] QString messageText() const;
    [[nodiscard]] RecoveryKeyRow* recoveryKey() const { return m_recoveryKey; }

private:
    void showState();

    SecondPlace& m_place;
    QLineEdit* m_folder = nullptr;
    QPushButton* m_clear = nullptr;
    QLabel* m_lastCopy = nullptr;
    QLabel* m_message = nullptr;
    RecoveryKeyRow* m_recoveryKey = nullptr;
};
