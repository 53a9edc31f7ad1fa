#pragma once

#include "Dentist.h"
#include "ServerLineActions.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <optional>

class ColorWell;
class FormSection;
class QCheckBox;
class QLabel;
class QSpinBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QStackedWidget;
class QToolButton;
class QVBoxLayout;
class Store;

// The settings window, one page per section chosen from a list on the left: the practice's name; each
// dentist's name and colour (and adding, retiring, bringing back and reordering dentists); the practice's
// operators; the days the practice is closed; the reminders' text; the recalls' kinds and defaults; their text;
// the archive, with an on-demand backup; and, when the shell can set it, the line
// that names a server. The program's version stays under the list. A resizable top-level window placed
// inside the available screen area; the shell keeps one per process and shows it from the settings
// command; Escape and the platform's close shortcut close it. It edits private copies of the store's
// studio name and dentists and saves after every change (never while a dentist's name is blank); a
// save that fails puts the stored values back and says so beside the control. Changes that reach the
// store from elsewhere (also from another computer) refresh the copies, except the text in the field
// being typed in. Every result shows on the page of the control that caused it.
class SettingsView : public QWidget {
    Q_OBJECT

public:
    // The size at which every page fits without scrolling.
    static constexpr int windowWidth = 760;
    static constexpr int windowHeight = 520;

    enum class Page { Studio, Dentists, Operators, ClosedDays, Reminders, Recalls, RecallMessage, Archive, Calendars, Server };

    explicit SettingsView(Store& store, QWidget* parent = nullptr, ServerLineActions server = {});

    // The working copies and the last save error (of the practice name or the dentists).
    [[nodiscard]] const QString& studioName() const { return m_studioName; }
    [[nodiscard]] const QList<Dentist>& dentists() const { return m_dentists; }
    [[nodiscard]] const std::optional<QString>& message() const { return m_message; }
    // The text under the dentists: their last message, or the note about automatic saving.
    [[nodiscard]] QString noteText() const;
    // The outcome of the last test, save or removal of the server line.
    [[nodiscard]] QString serverMessage() const;

    // The pages this window has (the server's only with the shell's server actions), and showing one
    // with the focus in its first field.
    [[nodiscard]] QList<Page> pages() const { return m_pageKinds; }
    void showPage(Page page);

    // The two buttons of the archive page.
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
    void keyPressEvent(QKeyEvent* event) override;

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
    // Which copy a change came from, so that its save's outcome shows beside it.
    enum class Origin { Studio, Dentists };

    // A small grey text that wraps.
    static QLabel* captionLabel(const QString& text, QWidget* parent);
    // A new page in the list and the stack: its layout, to which the page's sections are added.
    QVBoxLayout* addPage(Page kind, const QString& title);
    void buildStudioPage();
    void buildDentistsPage();
    void buildArchivePage();
    // The retention of the archive page: appointments older than a number of years anonymised.
    [[nodiscard]] QWidget* buildRetentionSection(QWidget* parent);
    void changeRetention();
    void buildServerPage();
    void copyToServer();
    void showServerOutcome(const ServerLineActions::Outcome& outcome);
    void placeInsideScreen();
    void focusFirstFieldOf(QWidget* page);
    void loadFromStore();
    void rebuildRows();
    void showCopies();
    void showRow(qsizetype i);
    void autosave(Origin origin);
    void storeChanged();
    void setMessage(const std::optional<QString>& message, Origin origin = Origin::Dentists);

    Store& m_store;
    QString m_studioName;
    QList<Dentist> m_dentists;
    std::optional<QString> m_message;
    // The store's values when last seen, so that only real changes of them refresh the copies.
    QList<Dentist> m_seenStoreDentists;
    QString m_seenStudioName;
    bool m_placed = false;

    QListWidget* m_pageList = nullptr;
    QStackedWidget* m_stack = nullptr;
    QList<Page> m_pageKinds;
    QLineEdit* m_studioField = nullptr;
    QLabel* m_studioMessage = nullptr;
    FormSection* m_dentistSection = nullptr;
    QList<Row> m_rows;
    // What the rows were built for (each dentist's id and whether retired): another shape rebuilds them.
    QList<std::pair<qint64, bool>> m_rowShape;
    QLabel* m_note = nullptr;
    QLineEdit* m_path = nullptr;
    QLabel* m_backupMessage = nullptr;
    QCheckBox* m_retention = nullptr;
    QSpinBox* m_retentionYears = nullptr;
    QLabel* m_retentionMessage = nullptr;
    ServerLineActions m_server;
    QLineEdit* m_serverLine = nullptr;
    QLabel* m_serverMessage = nullptr;
};
