#pragma once

#include "RecallSettings.h"

#include <QWidget>

class FormSection;
class QCheckBox;
class QGridLayout;
class QLabel;
class QVBoxLayout;
class Store;

// The settings window's "Richiami": the kinds of recall (name, usual interval, usual visit length;
// "Controllo" and "Igiene" always there, the practice's own added, renamed and removed), the recall the
// editor proposes for a treatment and whether a new recall has the patient's consent. Every change is saved for the whole practice at once; while the choices cannot be kept
// (a blank or repeated name) the reason shows under them and the stored ones stay. Changes from
// elsewhere replace the page's copy.
class RecallSettingsPage : public QWidget {
    Q_OBJECT

public:
    explicit RecallSettingsPage(Store& store, QWidget* parent = nullptr);

    // The choices as the page shows them, and the reason the last save was refused (empty after a save).
    [[nodiscard]] const RecallSettings& settings() const { return m_settings; }
    [[nodiscard]] QString message() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    [[nodiscard]] FormSection* buildKinds();
    [[nodiscard]] FormSection* buildTreatments();
    [[nodiscard]] FormSection* buildConsent();
    // Throws the rows of a grid away and makes them again from the copy.
    void showKinds();
    void showTreatments();
    void renameKind(qsizetype index, const QString& name);
    void removeKind(qsizetype index);
    void addKind();
    void addTreatment();
    void save();
    void refresh();
    void say(const QString& text);

    Store& m_store;
    RecallSettings m_settings;
    RecallSettings m_seen; // as last stored or read, so that only changes from elsewhere replace the copy
    QVBoxLayout* m_kindsHolder = nullptr;
    QWidget* m_kindRows = nullptr;
    QVBoxLayout* m_treatmentsHolder = nullptr;
    QWidget* m_treatmentRows = nullptr;
    QCheckBox* m_consent = nullptr;
    QLabel* m_message = nullptr;
};
