#include "PhoneNumber.h"

namespace {

bool isSeparator(QChar c)
{
    return c.isSpace() || c == u'-' || c == u'.' || c == u'/' || c == u'(' || c == u')';
}

} // namespace

namespace PhoneNumber {

std::optional<QString> italianMobile(const QString& written)
{
    QString compact;
    for (QChar c : written)
        if (!isSeparator(c))
            compact.append(c);
    if (compact.startsWith(QStringLiteral("+39")))
        compact.remove(0, 3);
    else if (compact.startsWith(QStringLiteral("0039")))
        compact.remove(0, 4);
    // Italian mobile numbers have 10 digits (a few older ones 9) and start with 3; landlines start with 0.
    if (compact.size() < 9 || compact.size() > 10 || !compact.startsWith(u'3'))
        return std::nullopt;
    for (QChar c : compact)
        if (c < u'0' || c > u'9')
            return std::nullopt;
    return QStringLiteral("+39") + compact;
}

} // namespace PhoneNumber
