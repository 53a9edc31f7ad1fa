// The day key parser: what it accepts is exactly a valid "yyyy-MM-dd" and writes back unchanged.

#include "Cal.h"
#include "FuzzText.h"

#include <cstdlib>

namespace {

// An independent reading: ten characters, ASCII digits with dashes at 4 and 7, forming a real date.
bool isDayKey(const QString& text)
{
    if (text.size() != 10)
        return false;
    int fields[3] = {0, 0, 0};
    int field = 0;
    for (qsizetype i = 0; i < 10; ++i) {
        const char16_t c = text[i].unicode();
        if (i == 4 || i == 7) {
            if (c != u'-')
                return false;
            ++field;
        } else if (c >= u'0' && c <= u'9') {
            fields[field] = fields[field] * 10 + (c - u'0');
        } else {
            return false;
        }
    }
    return QDate::isValid(fields[0], fields[1], fields[2]);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (bool utf16 : {false, true}) {
        const QString text = FuzzText::fromBytes(data, size, utf16);
        const std::optional<QDate> day = Cal::parseDayKey(text);
        if (day.has_value() != isDayKey(text))
            std::abort();
        if (day && (!day->isValid() || Cal::dayKey(*day) != text || Cal::weekdayIndex(*day) < 0
                    || Cal::weekdayIndex(*day) > 6))
            std::abort();
    }
    return 0;
}
