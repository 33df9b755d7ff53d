#pragma once

#include "common/roster_location.h"

#include <QString>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <utility>

namespace varnel::store {

class RosterBackend;

// Tells a reading on another thread that no one waits for it any more:
// the statement its connection runs is made to fail, and nothing more is
// begun.
class ReadingStop {
public:
    // Whether the reading is still wanted; if so, `interrupt` (a backend's
    // interrupter) stops its connection's statement from now until `end`,
    // which comes before the connection closes.
    bool begin(std::function<void()> interrupt);
    void end();
    // Stops the reading. Asked again, it stops a statement begun since.
    void ask();
    bool asked() const;

    // Stops the reading `running` does and waits for it to end: a
    // statement begun just after a stop would run on, so each look stops
    // again until it has ended.
    template <typename T>
    void stopAndWait(std::future<T>& running)
    {
        if (!running.valid())
            return;
        do
            ask();
        while (running.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready);
    }

private:
    mutable std::mutex mutex_;
    bool asked_ = false;
    std::function<void()> interrupt_;
};

// Opens `location` on a connection of its own, named for `purpose`, hands
// it to `use` on the calling thread, and closes it. A roster that cannot be
// opened or read there is left to the caller, who meets the failure when
// it reads the roster itself: `use` has then not run, or not to its end.
// `stop`, if given, can end the reading early from another thread.
void withOwnConnection(const RosterLocation& location, const QString& purpose,
                       const std::function<void(RosterBackend&)>& use, ReadingStop* stop = nullptr);

// A reading of the roster on a thread of its own, over a connection of its
// own (withOwnConnection), while the window goes on. `done` is called on
// that thread once the reading has ended. The result is `Result{}` (nothing)
// where the reading failed. What `read` holds (a list of keys, say) is let
// go of as soon as it has run, not when the result is taken. Dropped while
// it runs, the reading is stopped rather than waited for to its end (a
// million names take the best part of a second), and `done` is not called.
template <typename Result>
class BackgroundRead {
public:
    using Read = std::function<Result(RosterBackend&)>;

    BackgroundRead(const RosterLocation& location, const QString& purpose, Read read, std::function<void()> done = {})
        : stop_(std::make_shared<ReadingStop>())
    {
        reading_ = std::async(std::launch::async, [location, purpose, read = std::move(read), done = std::move(done),
                                                   stop = stop_]() mutable {
            Result result{};
            {
                const Read reading = std::exchange(read, {});
                withOwnConnection(
                    location, purpose, [&](RosterBackend& backend) { result = reading(backend); }, stop.get());
            }
            if (done && !stop->asked())
                done();
            return result;
        });
    }
    ~BackgroundRead() { stop_->stopAndWait(reading_); }
    BackgroundRead(const BackgroundRead&) = delete;
    BackgroundRead& operator=(const BackgroundRead&) = delete;

    // Whether the reading has ended.
    bool done() const
    {
        return !reading_.valid() || reading_.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    }
    // The result, waiting for the reading to end.
    Result& result()
    {
        if (reading_.valid())
            result_ = reading_.get();
        return result_;
    }

private:
    std::shared_ptr<ReadingStop> stop_;
    std::future<Result> reading_;
    Result result_{};
};

} // namespace varnel::store
