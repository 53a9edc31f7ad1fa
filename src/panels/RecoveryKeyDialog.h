#pragma once

#include "RecoveryKeySheet.h"

#include <QDialog>
#include <QStringList>

// Shows a new recovery key once: the warning that the program does not keep it, its words grouped and
// numbered, the QR code of the same words, its fingerprint, and "Stampa…" for the sheet to keep.
// Nothing of it is written anywhere by the dialog; closing it forgets the words.
class RecoveryKeyDialog : public QDialog {
    Q_OBJECT

public:
    RecoveryKeyDialog(RecoveryKeySheet::Sheet sheet, QWidget* parent = nullptr);

    // The words as shown, in order.
    [[nodiscard]] QStringList shownWords() const;

    // Test hook: the next "Stampa…" writes the sheet to this PDF file instead of opening the preview.
    static void answerNextPrintToPdf(const QString& path);

private:
    void printSheet();
    [[nodiscard]] QWidget* wordGrid();

    RecoveryKeySheet::Sheet m_sheet;
};
