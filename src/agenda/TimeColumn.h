#pragma once

#include <QWidget>

// The time labels of the 43 quarter-hour rows, in the top right corner of each row.
class TimeColumn : public QWidget {
    Q_OBJECT

public:
    explicit TimeColumn(QWidget* parent = nullptr);
    void setRowHeight(double rowHeight);
    [[nodiscard]] double rowHeight() const { return m_rowHeight; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_rowHeight = 22;
};
