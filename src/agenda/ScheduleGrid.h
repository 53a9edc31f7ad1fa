#pragma once

#include <QList>
#include <QWidget>

class DentistColumn;
class DentistHeader;
class HeaderRow;
class QScrollArea;
class Store;
class TimeColumn;

// The grid proper: the time column, then one column per visible day and dentist.
class GridBody : public QWidget {
    Q_OBJECT

public:
    GridBody(Store& store, QWidget* parent = nullptr);
    void sync();
    [[nodiscard]] const QList<DentistColumn*>& columns() const { return m_columns; }
    [[nodiscard]] TimeColumn* timeColumn() const { return m_time; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutColumns();

    Store& m_store;
    TimeColumn* m_time;
    QList<DentistColumn*> m_columns;
    QList<DentistColumn*> m_spare; // hidden, ready for reuse
};

// The agenda of the visible days: a header row pinned above a vertically scrolling grid (or both
// stacked at full height when not scrolling). It follows the store on sync().
class ScheduleGrid : public QWidget {
    Q_OBJECT

public:
    ScheduleGrid(Store& store, bool scrolls, QWidget* parent = nullptr);

    // Brings days, dentists, appointments and mode in line with the store.
    void sync();

    [[nodiscard]] HeaderRow* headerRow() const { return m_header; }
    [[nodiscard]] GridBody* body() const { return m_body; }
    [[nodiscard]] QScrollArea* scrollArea() const { return m_scroll; }
    // The column of a day (index into the visible days) and dentist (index into the dentists).
    [[nodiscard]] DentistColumn* column(int dayIndex, int dentistIndex) const;

signals:
    void dentistClicked(DentistHeader* header);

private:
    Store& m_store;
    HeaderRow* m_header;
    GridBody* m_body;
    QScrollArea* m_scroll = nullptr;
};
