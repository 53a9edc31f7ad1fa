#pragma once

#include <QBrush>
#include <QLineF>
#include <QList>
#include <QPaintDevice>
#include <QPen>
#include <QRectF>
#include <QString>

#include <memory>

// One drawing call as it reached the paint engine, in device coordinates (one unit = one point).
struct PaintRecord {
    enum Kind { Rect, Line, Path, Text };
    Kind kind = Rect;
    QRectF rect;    // Rect: the rectangle; Path: its bounding rectangle; Text: baseline start, width
    QLineF line;    // Line
    QString text;   // Text
    bool bold = false;
    QPen pen;
    QBrush brush;
};

// A 72 dpi paint device that records instead of drawing, so tests can read what a page consists of.
class RecordingDevice : public QPaintDevice {
public:
    explicit RecordingDevice(const QSizeF& size);
    ~RecordingDevice() override;

    [[nodiscard]] QPaintEngine* paintEngine() const override { return m_engine.get(); }
    [[nodiscard]] QList<PaintRecord> of(PaintRecord::Kind kind) const;
    // Text records whose text equals `text`.
    [[nodiscard]] QList<PaintRecord> texts(const QString& text) const;
    // All text drawn on one baseline near y, joined left to right.
    [[nodiscard]] QString lineAt(qreal baseline, qreal left, qreal right) const;

protected:
    [[nodiscard]] int metric(PaintDeviceMetric metric) const override;

private:
    QSizeF m_size;
    QList<PaintRecord> m_records;
    std::unique_ptr<QPaintEngine> m_engine;
};
