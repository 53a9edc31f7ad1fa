// The colour text parser: any text gives a valid colour, and its "#RRGGBB" form reads back the same.

#include "Color.h"
#include "FuzzText.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (bool utf16 : {false, true}) {
        const QString text = FuzzText::fromBytes(data, size, utf16);
        const QColor colour = colorFromHex(text);
        if (!colour.isValid())
            std::abort();
        const QString hex = hexString(colour);
        if (hex.size() != 7 || hex[0] != u'#')
            std::abort();
        for (qsizetype i = 1; i < 7; ++i)
            if (!((hex[i] >= u'0' && hex[i] <= u'9') || (hex[i] >= u'A' && hex[i] <= u'F')))
                std::abort();
        if (colorFromHex(hex) != colour || hexString(colorFromHex(hex)) != hex)
            std::abort();
        // Exactly "#" and six hexadecimal digits is read as written.
        const QString trimmed = text.trimmed();
        const auto isHexDigit = [](QChar c) {
            return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
        };
        bool plain = trimmed.size() == 7 && trimmed[0] == u'#';
        for (qsizetype i = 1; plain && i < 7; ++i)
            plain = isHexDigit(trimmed[i]);
        if (plain && hex != trimmed.toUpper())
            std::abort();
    }
    return 0;
}
