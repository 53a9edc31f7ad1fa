#include "Color.h"

#include <cmath>
#include <optional>

namespace {

constexpr quint32 fallbackGrey = 0x888888;

// Unsigned 32-bit hexadecimal: optional "+", or "-" only for the value zero; nothing else but digits.
std::optional<quint32> parseHex32(QStringView s)
{
    bool negative = false;
    if (!s.isEmpty() && (s.front() == u'+' || s.front() == u'-')) {
        negative = s.front() == u'-';
        s = s.mid(1);
    }
    if (s.isEmpty())
        return std::nullopt;
    quint64 value = 0;
    for (QChar c : s) {
        int digit;
        if (c >= u'0' && c <= u'9')
            digit = c.unicode() - u'0';
        else if (c >= u'a' && c <= u'f')
            digit = c.unicode() - u'a' + 10;
        else if (c >= u'A' && c <= u'F')
            digit = c.unicode() - u'A' + 10;
        else
            return std::nullopt;
        value = value * 16 + quint64(digit);
        if (value > 0xFFFFFFFFull)
            return std::nullopt;
    }
    if (negative && value != 0)
        return std::nullopt;
    return quint32(value);
}

} // namespace

QColor colorFromHex(const QString& text)
{
    QStringView s = QStringView(text).trimmed();
    if (s.startsWith(u'#'))
        s = s.mid(1);
    const quint32 value = parseHex32(s).value_or(fallbackGrey);
    return QColor::fromRgbF(float(((value >> 16) & 0xFF) / 255.0), float(((value >> 8) & 0xFF) / 255.0),
                            float((value & 0xFF) / 255.0), 1.0f);
}

QString hexString(const QColor& color)
{
    if (!color.isValid())
        return QStringLiteral("#888888");
    const QColor rgb = color.toExtendedRgb(); // sRGB without clamping
    if (!rgb.isValid())
        return QStringLiteral("#888888");
    auto channel = [](double v) { return int(std::lround(v * 255.0)); };
    return QString::asprintf("#%02X%02X%02X", channel(rgb.redF()), channel(rgb.greenF()), channel(rgb.blueF()));
}

QString distinctColorHex(const QStringList& usedHex)
{
    static const QStringList palette{
        QStringLiteral("#2E86DE"), QStringLiteral("#27AE60"), QStringLiteral("#E67E22"), QStringLiteral("#8E44AD"),
        QStringLiteral("#C0392B"), QStringLiteral("#16A085"), QStringLiteral("#D4AC0D"), QStringLiteral("#C2185B"),
        QStringLiteral("#5D6D7E"), QStringLiteral("#6D4C41"), QStringLiteral("#1ABC9C"), QStringLiteral("#2C3E90"),
    };
    QStringList used;
    for (const QString& hex : usedHex)
        used << hexString(colorFromHex(hex));
    for (const QString& candidate : palette)
        if (!used.contains(candidate))
            return candidate;
    // Past the palette: golden-angle steps of hue keep each new colour away from the last ones.
    for (int step = 0;; ++step) {
        const QString candidate =
            hexString(QColor::fromHsv(int((used.size() + step) * 137.508) % 360, 170, 190));
        if (!used.contains(candidate))
            return candidate;
    }
}
