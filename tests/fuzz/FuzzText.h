#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

// Turns fuzzer bytes into the two kinds of text the program can be handed: UTF-8 as typed or pasted
// (invalid sequences become U+FFFD) and raw UTF-16 code units, which may hold lone surrogates.
namespace FuzzText {

inline QString fromBytes(const uint8_t* data, size_t size, bool utf16)
{
    if (utf16)
        return QString::fromUtf16(reinterpret_cast<const char16_t*>(data), qsizetype(size / 2));
    return QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
}

} // namespace FuzzText
