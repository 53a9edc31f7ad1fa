#pragma once

#include "FormSection.h"

class QLabel;
class QPushButton;
class RestoreProof;
class SecondPlace;

// "Prova di ripristino" on the settings page of the archive, under the second place: when a restore was
// last proved on this computer ("Ultima prova di ripristino: …") and a button that proves one with the
// newest copy in the second place, asking for the recovery key when that copy is encrypted.
class RestoreProofSection : public FormSection {
    Q_OBJECT

public:
    RestoreProofSection(RestoreProof& proof, SecondPlace& place, QWidget* parent = nullptr);

    // "Prova il ripristino…".
    void prove();
    [[nodiscard]] QString lastProofText() const;
    [[nodiscard]] QString messageText() const;

private:
    void showState();
    void say(const QString& message);

    RestoreProof& m_proof;
    SecondPlace& m_place;
    QLabel* m_last = nullptr;
    QPushButton* m_prove = nullptr;
    QLabel* m_message = nullptr;
};
