#pragma once

#include "common/roster_location.h"

#include <QString>
#include <chrono>
#include <functional>
#include <future>
#include <utility>

namespace varnel::store {

class RosterBackend;

// Opens `location` on a connection of its own, named for `purpose`, hands
// it to `use` on the calling thread, and closes it. A roster that cannot be
// opened or read there is left to the caller, who meets the failure when
// it reads the roster itself: `use` has then not run, or not to its end.
void withOwnConnection(const RosterLocation& location, const QString& purpose,
                       const std::function<void(RosterBackend&)>& use);

// A reading of the roster on a thread of its own, over a connection of its
// own (withOwnConnection), while the window goes on. `done` is called on
// that thread once the reading has ended. The result is `Result{}` (nothing)
// where the reading failed. What `read` holds (a list of keys, say) is let
// go of as soon as it has run, not when the result is taken.
template <typename Result>
class BackgroundRead {
public:
    using Read = std::function<Result(RosterBackend&)>;

    BackgroundRead(const RosterLocation& location, const QString& purpose, Read read, std::function<void()> done = {})
    {
        reading_ = std::async(std::launch::async,
                              [location, purpose, read = std::move(read), done = std::move(done)]() mutable {
                                  Result result{};
                                  {
                                      const Read reading = std::exchange(read, {});
                                      withOwnConnection(location, purpose,
                                                        [&](RosterBackend& backend) { result = reading(backend); });
                                  }
                                  if (done)
                                      done();
                                  return result;
                              });
    }
    ~BackgroundRead()
    {
        if (reading_.valid())
            reading_.wait();
    }
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
    std::future<Result> reading_;
    Result result_{};
};

} // namespace varnel::store
