#pragma once

#include <QDate>
#include <QDateTime>

#include <functional>

// The one source of "now" for the whole program. Tests pin it; nothing else reads the system clock.
namespace Clock {

using Source = std::function<QDateTime()>;

// The current local date and time (the pinned value while a source is set).
[[nodiscard]] QDateTime now();
[[nodiscard]] QDate today();

// Replaces the source of "now"; an empty source restores the system clock.
void setSource(Source source);

// Pins the clock to a fixed local moment for the lifetime of the object (tests, screenshots).
class Pin {
public:
    explicit Pin(const QDateTime& moment);
    ~Pin();
    Pin(const Pin&) = delete;
    Pin& operator=(const Pin&) = delete;
    void set(const QDateTime& moment);

private:
    QDateTime m_moment;
};

} // namespace Clock
