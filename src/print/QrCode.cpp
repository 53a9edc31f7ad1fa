#include "QrCode.h"

#include <QPainter>
#include <QRectF>

#include <memory>

#include <qrencode.h>

namespace {

constexpr int quietModules = 4;

} // namespace

QrCode QrCode::encode(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    const std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeString8bit(utf8.constData(), 0, QR_ECLEVEL_M), &QRcode_free);
    QrCode made;
    if (!code)
        return made;
    made.m_width = code->width;
    made.m_dark.reserve(qsizetype(code->width) * code->width);
    for (int i = 0; i < code->width * code->width; ++i)
        made.m_dark.append((code->data[i] & 1) != 0); // the lowest bit is the module's colour
    return made;
}

void QrCode::draw(QPainter& painter, const QRectF& square) const
{
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawRect(square);
    if (!isNull()) {
        const qreal module = std::min(square.width(), square.height()) / (m_width + 2 * quietModules);
        const QPointF origin = square.topLeft() + QPointF(quietModules * module, quietModules * module);
        painter.setBrush(Qt::black);
        for (int y = 0; y < m_width; ++y)
            for (int x = 0; x < m_width; ++x)
                if (dark(x, y))
                    // A hair larger than a module so that neighbours meet without seams.
                    painter.drawRect(QRectF(origin.x() + x * module, origin.y() + y * module, module + 0.02, module + 0.02));
    }
    painter.restore();
}
