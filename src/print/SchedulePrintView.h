#pragma once

#include "Appointment.h"
#include "Dentist.h"

#include <QColor>
#include <QDate>
#include <QList>
#include <QMap>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QPainter;

// The printed agenda: a snapshot of everything the pages show, and the one routine that draws a page,
// used alike by the printer, the print preview and PDF output.
//
// Geometry is in points. Pages are stacked vertically in a frame (0, 0, page width, page height × pages);
// page `index` (from 0) occupies pageRect(index). The painter handed to draw()/drawPage() must use one
// point per user unit (see PrintService::scaleToPoints for devices with other resolutions); font sizes
// are corrected for the painter's device so that text is measured in the same points.
class SchedulePrintView {
public:
    // pages: the days of each page, left to right. dentists: the columns of each day, in order; a column
    // of a day on which its dentist no longer works is shaded and empty.
    // appointments: by day key, each list in start-time order. pageSize: the printable area of one page.
    SchedulePrintView(QList<QList<QDate>> pages, QList<Dentist> dentists,
                      QMap<QString, QList<Appointment>> appointments, QString studioName, QString title,
                      QSizeF pageSize, QColor ink, QColor gray);

    [[nodiscard]] const QList<QList<QDate>>& pages() const { return m_pages; }
    [[nodiscard]] const QList<Dentist>& dentists() const { return m_dentists; }
    [[nodiscard]] const QMap<QString, QList<Appointment>>& appointments() const { return m_appointments; }
    [[nodiscard]] const QString& studioName() const { return m_studioName; }
    [[nodiscard]] const QString& title() const { return m_title; }
    [[nodiscard]] QSizeF pageSize() const { return m_pageSize; }
    [[nodiscard]] QColor ink() const { return m_ink; }
    [[nodiscard]] QColor gray() const { return m_gray; }
    // The closed days among the pages' days, each with its reason (possibly empty).
    [[nodiscard]] const QMap<QDate, QString>& closedDays() const { return m_closedDays; }
    void setClosedDays(QMap<QDate, QString> closedDays) { m_closedDays = std::move(closedDays); }
    // Whether the pages are the two sides of one sheet (so named on them); yes unless told otherwise.
    [[nodiscard]] bool isTwoSided() const { return m_twoSided; }
    void setTwoSided(bool twoSided) { m_twoSided = twoSided; }

    [[nodiscard]] int pageCount() const { return int(m_pages.size()); }
    [[nodiscard]] QRectF frame() const;
    [[nodiscard]] QRectF pageRect(int index) const;
    // The title printed on a page: with "  —  Fronte" / "  —  Retro" when the job has several pages
    // printed two-sided.
    [[nodiscard]] QString pageTitle(int index) const;

    // Draws every page whose rectangle meets `area`, at its place in the stacked frame.
    void draw(QPainter& painter, const QRectF& area) const;
    // Draws page `index` as a complete sheet into `rect` (any position; normally the page's printable area).
    void drawPage(QPainter& painter, int index, const QRectF& rect) const;

private:
    QList<QList<QDate>> m_pages;
    QList<Dentist> m_dentists;
    QMap<QString, QList<Appointment>> m_appointments;
    QString m_studioName;
    QString m_title;
    QSizeF m_pageSize;
    QColor m_ink;
    QColor m_gray;
    QMap<QDate, QString> m_closedDays;
    bool m_twoSided = true;
};
