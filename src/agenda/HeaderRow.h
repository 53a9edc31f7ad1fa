#pragma once

#include "Dentist.h"

#include <QDate>
#include <QList>
#include <QWidget>

class Store;

// A day's label in the header row; in week view a click opens that day.
class DayLabel : public QWidget {
    Q_OBJECT

public:
    DayLabel(Store& store, QWidget* parent = nullptr);
    void setDay(const QDate& day, bool compact);
    [[nodiscard]] QString text() const { return m_text; }
    [[nodiscard]] bool isToday() const;
    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    Store& m_store;
    QDate m_day;
    bool m_compact = true;
    QString m_text;
};

// A dentist's name on the dentist's colour; a click asks for the dentist editor. A name too wide for the
// column loses its title, then its first names, before its surname; the tooltip gives it whole.
class DentistHeader : public QWidget {
    Q_OBJECT

public:
    explicit DentistHeader(QWidget* parent = nullptr);
    void setDentist(const Dentist& dentist, bool compact, bool isDayEnd);
    [[nodiscard]] const Dentist& dentist() const { return m_dentist; }
    // The name as the header shows it at its present width.
    [[nodiscard]] QString shownName() const;
    [[nodiscard]] QSize sizeHint() const override;

signals:
    void clicked(DentistHeader* header);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    [[nodiscard]] QRect textArea() const { return rect().adjusted(3, 3, -3, -3); }

    Dentist m_dentist;
    bool m_compact = true;
    bool m_dayEnd = false;
};

// The pinned header: an empty box above the time column, then per day its label and its dentists.
class HeaderRow : public QWidget {
    Q_OBJECT

public:
    HeaderRow(Store& store, QWidget* parent = nullptr);
    void setContent(const QList<QDate>& days, const QList<Dentist>& dentists, bool compact);
    [[nodiscard]] const QList<DayLabel*>& dayLabels() const { return m_labels; }
    [[nodiscard]] const QList<DentistHeader*>& dentistHeaders() const { return m_headers; }

signals:
    void dentistClicked(DentistHeader* header);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutChildren();

    Store& m_store;
    int m_dentistCount = 0;
    QList<DayLabel*> m_labels;
    QList<DentistHeader*> m_headers;
    QList<DayLabel*> m_spareLabels;     // hidden, ready for reuse
    QList<DentistHeader*> m_spareHeaders;
};
