#pragma once

#include <QFrame>

class QLabel;
class Store;

// A line across the agenda window while this computer cannot keep the practice's calendar folder
// (Store::calendarFolderFailure): nothing to answer and nothing stopped, it goes by itself once a later
// write succeeds.
class CalendarFolderNotice : public QFrame {
    Q_OBJECT

public:
    explicit CalendarFolderNotice(const Store& store, QWidget* parent = nullptr);

    // Follows the store's failure.
    void sync();
    [[nodiscard]] QString text() const;

private:
    const Store& m_store;
    QLabel* m_text;
};
