#pragma once

#include <QList>
#include <QString>

class QPainter;
class QRectF;

// A QR code (error correction level M, so a creased or stained sheet still scans) as its square of
// modules, drawn as filled squares on paper and on screen alike.
class QrCode {
public:
    // The code of a text in UTF-8; null when the text cannot be encoded (too long).
    [[nodiscard]] static QrCode encode(const QString& text);

    [[nodiscard]] bool isNull() const { return m_width == 0; }
    // Modules per side, without the quiet zone.
    [[nodiscard]] int width() const { return m_width; }
    [[nodiscard]] bool dark(int x, int y) const { return m_dark[y * m_width + x]; }

    // Fills `square` with white and draws the modules in black inside it, with the four-module quiet zone
    // the readers need around them.
    void draw(QPainter& painter, const QRectF& square) const;

private:
    int m_width = 0;
    QList<bool> m_dark;
};
