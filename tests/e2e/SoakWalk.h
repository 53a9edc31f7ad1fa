#pragma once

#include <QEventLoop>
#include <QObject>
#include <QPoint>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>

class CalvoraApp;
class CalvoraView;
class DentistColumn;
class QAction;
class QWidget;
class Store;

// A seeded random walk through the real agenda window, as a receptionist's hands would do it: the menus'
// shortcuts, keys on the grid and in whatever panel, menu or dialog is open, clicks on slots, blocks,
// headers and toolbar buttons, drags between columns, undo and redo, typing into fields, and now and then
// a change made by another program on the same file. Each step is one action on the window the keyboard
// would reach; the next step is queued before the action runs, so a dialog that waits in a loop of its
// own is walked through like any other window. Nothing is done that leaves the machine (the user guide,
// the file browser, the server settings, real printers).
class SoakWalk : public QObject {
public:
    // `otherProgram` is a second store on the same archive; printed PDFs go to `scratchFolder`.
    SoakWalk(CalvoraApp& app, Store& otherProgram, quint64 seed, int steps, QString scratchFolder);

    // Walks `steps` actions, then closes what is open and returns. `check` runs every `checkEvery` steps
    // and at the end; its message, when present, stops the walk.
    std::optional<QString> run(const std::function<std::optional<QString>()>& check, int checkEvery);

    [[nodiscard]] int stepsDone() const { return m_done; }
    // Moves with every step: a watchdog reads it from another thread.
    [[nodiscard]] const std::atomic<int>& progress() const { return m_progress; }
    // The last actions, oldest first, for a failure's report.
    // (Safe to call from another thread.)
    [[nodiscard]] QStringList recent() const;

private:
    void step();
    void windDown();
    void note(const QString& action);

    void inAgenda();
    void inPopup(QWidget* popup);
    void inDialog(QWidget* dialog);
    void inSettings(QWidget* settings);

    void pressShortcut();
    void triggerMenuItem();
    void preparePrint(QAction* action);
    void pressGridKey();
    void clickSlot(bool onBlock);
    void dragBlock();
    void openBlockMenu();
    void clickToolbar();
    void clickHeader();
    void otherProgramWrites();
    void typeText();
    void clickSomethingIn(QWidget* root);

    [[nodiscard]] DentistColumn* randomColumn();
    [[nodiscard]] DentistColumn* columnWithBlocks();
    [[nodiscard]] QPoint pointInSlot(DentistColumn* column, int slot);
    [[nodiscard]] QPoint pointInBlock(DentistColumn* column);
    [[nodiscard]] int pick(std::initializer_list<int> weights);
    [[nodiscard]] int pickFrom(const QList<int>& weights);
    // Runs one of the actions, each as likely as its weight.
    void perform(std::initializer_list<std::pair<int, std::function<void()>>> actions);
    [[nodiscard]] int below(int n) { return n > 0 ? int(m_random.bounded(n)) : 0; }
    [[nodiscard]] bool chance(int percent) { return below(100) < percent; }

    CalvoraApp& m_app;
    CalvoraView& m_window;
    Store& m_store;
    Store& m_other;
    QRandomGenerator m_random;
    int m_steps;
    QString m_scratch;
    bool m_verbose = false;
    int m_done = 0;
    std::atomic<int> m_progress{0};
    mutable std::mutex m_recentLock;
    QStringList m_recent;
    QEventLoop m_loop;
    std::function<std::optional<QString>()> m_check;
    int m_checkEvery = 0;
    std::optional<QString> m_failure;
    int m_pdfs = 0;
};
