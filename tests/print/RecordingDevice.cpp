#include "RecordingDevice.h"

#include <QPaintEngine>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

class RecordingEngine : public QPaintEngine {
public:
    explicit RecordingEngine(QList<PaintRecord>& out)
        : QPaintEngine(QPaintEngine::AllFeatures)
        , m_out(out)
    {
    }

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}

    void updateState(const QPaintEngineState& s) override
    {
        if (s.state() & DirtyPen)
            m_pen = s.pen();
        if (s.state() & DirtyBrush)
            m_brush = s.brush();
        if (s.state() & DirtyTransform)
            m_transform = s.transform();
    }

    void drawRects(const QRectF* rects, int count) override
    {
        for (int i = 0; i < count; ++i)
            add(PaintRecord::Rect).rect = m_transform.mapRect(rects[i]);
    }

    void drawLines(const QLineF* lines, int count) override
    {
        for (int i = 0; i < count; ++i)
            add(PaintRecord::Line).line = m_transform.map(lines[i]);
    }

    void drawPath(const QPainterPath& path) override
    {
        add(PaintRecord::Path).rect = m_transform.map(path).boundingRect();
    }

    void drawTextItem(const QPointF& p, const QTextItem& item) override
    {
        // The engine sees the text at its layout size under the painter's scale; report its width as drawn.
        const qreal scale = std::sqrt(std::abs(m_transform.determinant()));
        PaintRecord& r = add(PaintRecord::Text);
        r.rect = QRectF(m_transform.map(p), QSizeF(item.width() * scale, 0));
        r.text = item.text();
        r.bold = item.font().bold();
    }

private:
    PaintRecord& add(PaintRecord::Kind kind)
    {
        m_out.append(PaintRecord{kind, {}, {}, {}, false, m_pen, m_brush});
        return m_out.last();
    }

    QList<PaintRecord>& m_out;
    QPen m_pen;
    QBrush m_brush;
    QTransform m_transform;
};

} // namespace

RecordingDevice::RecordingDevice(const QSizeF& size)
    : m_size(size)
    , m_engine(std::make_unique<RecordingEngine>(m_records))
{
}

RecordingDevice::~RecordingDevice() = default;

int RecordingDevice::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmWidth:
    case PdmWidthMM:
        return int(std::ceil(m_size.width() * (metric == PdmWidthMM ? 25.4 / 72 : 1)));
    case PdmHeight:
    case PdmHeightMM:
        return int(std::ceil(m_size.height() * (metric == PdmHeightMM ? 25.4 / 72 : 1)));
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(devicePixelRatioFScale());
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return 72;
    default: // colour depth and count: not asked for by these drawings
        return 0;
    }
}

QList<PaintRecord> RecordingDevice::of(PaintRecord::Kind kind) const
{
    QList<PaintRecord> found;
    std::copy_if(m_records.begin(), m_records.end(), std::back_inserter(found),
                 [kind](const PaintRecord& r) { return r.kind == kind; });
    return found;
}

QList<PaintRecord> RecordingDevice::texts(const QString& text) const
{
    QList<PaintRecord> found = of(PaintRecord::Text);
    found.removeIf([&](const PaintRecord& r) { return r.text != text; });
    return found;
}

QString RecordingDevice::lineAt(qreal baseline, qreal left, qreal right) const
{
    QList<PaintRecord> parts = of(PaintRecord::Text);
    parts.removeIf([&](const PaintRecord& r) {
        return std::abs(r.rect.top() - baseline) >= 0.01 || r.rect.left() < left - 0.01
               || r.rect.left() >= right;
    });
    std::sort(parts.begin(), parts.end(),
              [](const PaintRecord& a, const PaintRecord& b) { return a.rect.left() < b.rect.left(); });
    QString line;
    for (const PaintRecord& r : parts)
        line += r.text;
    return line;
}
