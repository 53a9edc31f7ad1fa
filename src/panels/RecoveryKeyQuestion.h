#pragma once

#include <QByteArray>
#include <QDialog>

#include <optional>

class QLabel;
class QPlainTextEdit;

// Asks for the recovery key's words to open an encrypted copy for a restore proof, or lets the proof
// only check the copy without it ("Solo verifica"). The key is held only until the dialog goes.
class RecoveryKeyQuestion : public QDialog {
    Q_OBJECT

public:
    // What the person chose; Rejected is "Annulla".
    enum Choice { WithKey = QDialog::Accepted, CheckOnly = 2 };

    RecoveryKeyQuestion(const QString& copyName, QWidget* parent = nullptr);

    // The secret half typed, once "Prova con la chiave" accepted it; absent otherwise.
    [[nodiscard]] const std::optional<QByteArray>& secretKey() const { return m_secret; }
    [[nodiscard]] QPlainTextEdit* wordsField() const { return m_words; }
    [[nodiscard]] QString errorText() const;

    // "Prova con la chiave": accepts when the words make a key, else says why and stays open.
    void tryKey();

private:
    QPlainTextEdit* m_words = nullptr;
    QLabel* m_error = nullptr;
    std::optional<QByteArray> m_secret;
};
