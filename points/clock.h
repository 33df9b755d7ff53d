#pragma once

#include <QDateTime>
#include <utility>

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

// Always the same moment: for tests and for reproducing a day's results.
class FixedClock final : public Clock {
public:
    explicit FixedClock(QDateTime moment) : moment_(std::move(moment)) {}
    QDateTime now() override { return moment_; }
    void set(const QDateTime& moment) { moment_ = moment; }

private:
    QDateTime moment_;
};

} // namespace varnel::points
