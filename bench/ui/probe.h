#pragma once

// Measuring helpers shared by the two start-up programs.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QMetaObject>
#include <QObject>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

namespace bench {

inline double milliseconds(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// Calls `done` once, as soon as the event loop is back after the first paint
// of the watched widget: the paint of the whole window that included it has
// then been finished and flushed. What the program itself put off until
// after that paint (its own queued work) comes after `done`: it is not part
// of the first paint.
class FirstPaintProbe : public QObject {
public:
    FirstPaintProbe(QWidget* watched, std::function<void()> done)
        : done_(std::move(done))
    {
        watched->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            watched->removeEventFilter(this);
            QCoreApplication::postEvent(this, new QEvent(QEvent::User), Qt::HighEventPriority);
        }
        return false;
    }

    bool event(QEvent* event) override
    {
        if (event->type() != QEvent::User)
            return QObject::event(event);
        done_();
        return true;
    }

private:
    std::function<void()> done_;
    bool seen_ = false;
};

// The process's peak resident set, in MiB (0 where the platform has no
// getrusage).
inline double peakRssMiB()
{
#ifdef Q_OS_UNIX
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
#ifdef Q_OS_MACOS
    return double(usage.ru_maxrss) / (1024.0 * 1024.0);
#else
    return double(usage.ru_maxrss) / 1024.0;
#endif
#else
    return 0;
#endif
}

struct StepTimes {
    std::vector<double> ms;

    double max() const { return ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end()); }
    // 0-based index of the slowest step.
    size_t slowest() const { return ms.empty() ? 0 : size_t(std::max_element(ms.begin(), ms.end()) - ms.begin()); }
    double percentile(double p) const
    {
        if (ms.empty())
            return 0;
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        return sorted[std::min(sorted.size() - 1, size_t(p * double(sorted.size() - 1) + 0.5))];
    }
};

} // namespace bench
