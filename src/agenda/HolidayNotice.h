#pragma once

#include <QFrame>

class QLabel;
class Store;

// A line across the agenda window that offers to add the present year's national holidays to the closed
// days, while the store offers them (Store::holidayOffer). It is shown at start only, and goes as soon
// as the offer is taken, turned down ("Non ora", not asked again that year) or no longer stands.
class HolidayNotice : public QFrame {
    Q_OBJECT

public:
    explicit HolidayNotice(Store& store, QWidget* parent = nullptr);

    // Shows the line when the store offers a year's holidays.
    void showOffer();
    // Hides it when the offer no longer stands (the holidays were added elsewhere).
    void sync();
    [[nodiscard]] QString text() const;

signals:
    // The line went away by one of its buttons.
    void answered();

private:
    void answer(bool add);

    Store& m_store;
    QLabel* m_text;
    int m_year = 0;
};
