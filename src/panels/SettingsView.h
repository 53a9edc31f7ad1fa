#pragma once

#include "Dentist.h"
#include "ServerLineActions.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <optional>

class ColorWell;
class FormSection;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class Store;

// The settings window: the practice's name, each dentist's name and colour (and adding, retiring,
// bringing back and reordering dentists), the days the practice is closed, which archive keeps the
// agenda (the data folder's file or a server) and the line that names a server, an on-demand backup
// and the program's version. A top-level window of fixed size; the shell keeps
// one per process and shows it from the settings command. It edits private copies of the store's
// studio name and dentists and saves after every change (never while a dentist's name is blank);
// changes that reach the store from elsewhere (also from another computer) refresh the copies, except
// the text in the field being typed in.
class SettingsView : public QWidget {
    Q_OBJECT

public:
    static constexpr int windowWidth = 580;
    static constexpr int windowHeight = 640;
    // With the server line's section.
    static constexpr int windowHeightWithServer = 720;

    explicit SettingsView(Store& store, QWidget* parent = nullptr, ServerLineActions server = {});

    // The working copies and the last save error or backup result.
    [[nodiscard]] const QString& studioName() const { return m_studioName; }
    [[nodiscard]] const QList<Dentist>& dentists() const { return m_dentists; }
    [[nodiscard]] const std::optional<QString>& message() const { return m_message; }
    // The text under the dentists: the message, or the note about automatic saving.
    [[nodiscard]] QString noteText() const;
    // The outcome of the last test, save or removal of the server line.
    [[nodiscard]] QString serverMessage() const;

    // The two buttons of the data section.
    void createBackup();
    void revealDatabase();

    // The practice's dentists: a new one at the right, a retirement from a day asked for (refused in a
    // dialog that lists the appointments still to move), or bringing a retired one back, a column
    // swapped with the nearest one the agenda shows to its left (-1) or right (+1).
    void addDentist();
    void retireOrReinstate(qint64 dentistId);
    void moveDentist(qint64 dentistId, int step);

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct Row {
        QLabel* label = nullptr;
        QLineEdit* name = nullptr;
        ColorWell* well = nullptr;
        QToolButton* up = nullptr;
        QToolButton* down = nullptr;
        QPushButton* retire = nullptr;
        QLabel* status = nullptr; // "Non lavora più nello studio dal …" for a retired dentist
    };

    // A small grey text that wraps.
    static QLabel* captionLabel(const QString& text, QWidget* parent);
    void buildArchiveSection(QWidget* content, QLayout* sections);
    void buildServerSection(QWidget* content, QLayout* sections);
    void copyToServer();
    void showServerOutcome(const ServerLineActions::Outcome& outcome);
    void loadFromStore();
    void rebuildRows();
    void showCopies();
    void autosave();
    void storeChanged();
    void setMessage(const std::optional<QString>& message);

    Store& m_store;
    QString m_studioName;
    QList<Dentist> m_dentists;
    std::optional<QString> m_message;
    // The store's values when last seen, so that only real changes of them refresh the copies.
    QList<Dentist> m_seenStoreDentists;
    QString m_seenStudioName;

    QLineEdit* m_studioField = nullptr;
    FormSection* m_dentistSection = nullptr;
    QList<FormSection*> m_alignedSections;
    QList<Row> m_rows;
    // What the rows were built for (each dentist's id and whether retired): another shape rebuilds them.
    QList<std::pair<qint64, bool>> m_rowShape;
    QLabel* m_note = nullptr;
    QLineEdit* m_path = nullptr;
    ServerLineActions m_server;
    QLineEdit* m_serverLine = nullptr;
    QLabel* m_serverMessage = nullptr;
};
