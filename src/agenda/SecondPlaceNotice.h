#pragma once

#include <QFrame>

class QLabel;
class SecondPlace;

// A line across the agenda window while the backups do not reach this computer's second place
// (SecondPlace::notice): nothing to answer and nothing stopped; it goes once a copy arrives.
class SecondPlaceNotice : public QFrame {
    Q_OBJECT

public:
    // Without a place (a program that keeps none) the line never shows.
    explicit SecondPlaceNotice(SecondPlace* place, QWidget* parent = nullptr);

    void sync();
    [[nodiscard]] QString text() const;

private:
    SecondPlace* m_place;
    QLabel* m_text;
};
