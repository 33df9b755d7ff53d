#pragma once

#include "points/clock.h"

#include <QDateTime>
#include <utility>

namespace varnel::test {

// Always the same moment until set to another, whatever the day the tests run.
class FixedClock final : public points::Clock {
public:
    explicit FixedClock(QDateTime moment) : moment_(std::move(moment)) {}
    QDateTime now() override { return moment_; }
    void set(const QDateTime& moment) { moment_ = moment; }

private:
    QDateTime moment_;
};

} // namespace varnel::test
