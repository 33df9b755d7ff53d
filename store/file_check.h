#pragma once

#include "common/failure.h"
#include "store/background_read.h"

#include <QString>
#include <functional>
#include <future>
#include <memory>
#include <optional>

namespace varnel::store {

// SQLite's quick check of a roster file (every page and record readable,
// every index in step with its table), on a thread and a connection of its
// own, so a large roster is checked without holding up the window.
class FileCheck {
public:
    using Verdict = std::optional<Failure>; // nothing: the file is whole

    explicit FileCheck(QString path);
    ~FileCheck(); // stops a running check
    FileCheck(const FileCheck&) = delete;
    FileCheck& operator=(const FileCheck&) = delete;

    // Starts the check in the background unless it ran or runs already.
    // `onDamage`, if given, is called on the checking thread when the file
    // turns out damaged.
    void start(std::function<void(const Failure&)> onDamage = {});

    // The verdict, waiting for a running check (through `wait`, so a window
    // stays responsive; when it gives up, failure 5) or running it here when
    // it was never started. A damaged file (failure 11) stays damaged; when
    // the check itself could not run (the file locked too long, say), that
    // failure is given and the next call checks again.
    Verdict verdict(class ConnectionLockWait* wait = nullptr);

    // Checks the file at `path` on the calling thread; `stop`, if given,
    // can end the check early from another thread.
    static Verdict run(const QString& path, ReadingStop* stop = nullptr);

private:
    QString path_;
    std::shared_ptr<ReadingStop> stop_;
    std::future<Verdict> running_;
    std::optional<Verdict> settled_;
};

} // namespace varnel::store
