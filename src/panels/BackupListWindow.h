#pragma once

#include <QDate>
#include <QDialog>
#include <QList>
#include <QString>
#include <QTime>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QPushButton;
class QThread;
class QTreeWidget;

// A backup the receptionist can look into: where it lies, when it was taken, whether it is encrypted.
struct BackupChoice {
    enum class Place { ThisComputer, CopiesFolder };
    QString path;
    Place place = Place::ThisComputer;
    QDate day;
    std::optional<QTime> time; // on-demand backups only; the day's own copy has none
    bool encrypted = false;

    // "Questo computer" / "Cartella delle copie".
    [[nodiscard]] QString placeText() const;
    // "martedì 8 dicembre 2026 alle 17:45", or "… – copia del giorno".
    [[nodiscard]] QString momentText() const;
};

// "Ripristina da backup…": the backups of both places, newest first, each with its day and time and how
// many appointments it holds (counted on a worker thread, so the list opens at once; "cifrata" for an
// encrypted one, which only the recovery key opens). Choosing one (a double click or "Apri…") sends
// chosen(); the window stays open for another look.
class BackupListWindow : public QDialog {
    Q_OBJECT

public:
    // How many appointments a plain backup holds; throws on failure (the row then says it cannot be read).
    using Counter = std::function<qint64(const QString& path)>;

    // `placeNote` is a line about the copies folder (none set, not found), empty when there is nothing to say.
    BackupListWindow(QList<BackupChoice> backups, const QString& placeNote, Counter count, QWidget* parent = nullptr);
    ~BackupListWindow() override;

    [[nodiscard]] QTreeWidget* list() const { return m_list; }
    [[nodiscard]] QLabel* placeNote() const { return m_note; }
    [[nodiscard]] QPushButton* openButton() const { return m_open; }
    [[nodiscard]] const QList<BackupChoice>& backups() const { return m_backups; }
    // Whether every count has arrived.
    [[nodiscard]] bool counted() const { return m_pending == 0; }

signals:
    void chosen(const BackupChoice& backup);

private:
    void countOnWorker(Counter count);
    void showCount(int row, const QString& text);
    void chooseCurrent();

    QList<BackupChoice> m_backups;
    QTreeWidget* m_list;
    QLabel* m_note;
    QPushButton* m_open;
    int m_pending = 0;
    std::shared_ptr<std::atomic_bool> m_stop = std::make_shared<std::atomic_bool>(false);
    QThread* m_worker = nullptr;
};
