#pragma once

#include <QDateTime>

namespace varnel::points {

// Today's date and time, read anew at each use, so a command that runs over
// midnight sees the new day from its next read on.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() = 0;
};

// The system clock, in local time.
class SystemClock final : public Clock {
public:
    QDateTime now() override { return QDateTime::currentDateTime(); }
};

} // namespace varnel::points
