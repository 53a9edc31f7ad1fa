#pragma once

#include "Clock.h"
#include "DatabaseError.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include <ostream>

// Readable QString values in test failure messages.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace TestSupport {

// Local wall-clock moment, for pinning the clock.
inline QDateTime at(int y, int m, int d, int h = 12, int min = 0, int s = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, min, s));
}

// Processes events until the condition holds or the time is up; use with EXPECT_TRUE. (Qt's QTRY_ and
// QVERIFY macros do not report to GoogleTest: a failure there would pass silently.)
inline bool eventually(const std::function<bool()>& condition, int milliseconds = 5000)
{
    return QTest::qWaitFor(condition, milliseconds);
}

inline QByteArray fileDigest(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

// The message of the DatabaseError that body throws ("" when it throws none).
inline QString errorOf(const std::function<void()>& body)
{
    try {
        body();
    } catch (const DatabaseError& e) {
        return e.message();
    }
    return {};
}

} // namespace TestSupport
