// The drag payload id parser: agrees with the standard library's reading and round-trips every id.

#include "DragPayload.h"
#include "FuzzText.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Optional sign, then one or more ASCII digits, within the 64-bit range.
std::optional<qint64> reference(const QString& text)
{
    std::string s;
    for (QChar c : text) {
        if (c.unicode() > 127)
            return std::nullopt;
        s.push_back(char(c.unicode()));
    }
    if (!s.empty() && s[0] == '+') {
        s.erase(0, 1);
        if (!s.empty() && s[0] == '-')
            return std::nullopt;
    }
    if (s.empty() || s == "-")
        return std::nullopt;
    for (size_t i = (s[0] == '-') ? 1 : 0; i < s.size(); ++i)
        if (s[i] < '0' || s[i] > '9')
            return std::nullopt;
    qint64 value = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (error != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (bool utf16 : {false, true}) {
        const QString text = FuzzText::fromBytes(data, size, utf16);
        const std::optional<qint64> id = DragPayload::parseId(text);
        if (id != reference(text))
            std::abort();
        if (id && DragPayload::parseId(DragPayload::fromId(*id)) != id)
            std::abort();
    }
    if (size >= sizeof(qint64)) {
        qint64 any;
        std::memcpy(&any, data, sizeof any);
        if (DragPayload::parseId(DragPayload::fromId(any)) != any)
            std::abort();
    }
    return 0;
}
