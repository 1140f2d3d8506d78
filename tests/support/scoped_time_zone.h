#pragma once
// The process's local time zone set for one scope, as it was afterwards.

#include <ctime>

#include <QByteArray>
#include <QtGlobal>

namespace torv::testing {

class ScopedTimeZone {
public:
    // zone in the POSIX form of TZ: "<+03>-3" is three hours ahead of UTC, no summer time.
    explicit ScopedTimeZone(const char* zone) : saved_(qgetenv("TZ"))
    {
        qputenv("TZ", zone);
        ::tzset();
    }
    ~ScopedTimeZone()
    {
        saved_.isNull() ? qunsetenv("TZ") : qputenv("TZ", saved_);
        ::tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    QByteArray saved_;
};

}  // namespace torv::testing
