#include "Clock.h"

namespace {
Clock::Source& source()
{
    static Clock::Source s;
    return s;
}
} // namespace

namespace Clock {

QDateTime now()
{
    const Source& s = source();
    return s ? s() : QDateTime::currentDateTime();
}

QDate today()
{
    return now().date();
}

void setSource(Source s)
{
    source() = std::move(s);
}

Pin::Pin(const QDateTime& moment)
    : m_moment(moment)
{
    setSource([this] { return m_moment; });
}

Pin::~Pin()
{
    setSource({});
}

void Pin::set(const QDateTime& moment)
{
    m_moment = moment;
}

} // namespace Clock
