#include "store/background_read.h"

#include "common/failure.h"
#include "store/roster_backend.h"

#include <QScopeGuard>
#include <QSqlDatabase>
#include <atomic>

namespace varnel::store {

bool ReadingStop::begin(std::function<void()> interrupt)
{
    const std::lock_guard lock(mutex_);
    if (!asked_)
        interrupt_ = std::move(interrupt);
    return !asked_;
}

void ReadingStop::end()
{
    const std::lock_guard lock(mutex_);
    interrupt_ = {};
}

void ReadingStop::ask()
{
    const std::lock_guard lock(mutex_);
    asked_ = true;
    if (interrupt_)
        interrupt_();
}

bool ReadingStop::asked() const
{
    const std::lock_guard lock(mutex_);
    return asked_;
}

void withOwnConnection(const RosterLocation& location, const QString& purpose,
                       const std::function<void(RosterBackend&)>& use, ReadingStop* stop)
{
    static std::atomic<int> serial{0};
    const QString connection = QStringLiteral("varnel-%1-%2").arg(purpose).arg(++serial);
    try {
        const std::unique_ptr<RosterBackend> backend = openRosterBackend(connection, location);
        // The connection is closed only once no stop can reach it.
        const auto ended = qScopeGuard([stop] {
            if (stop)
                stop->end();
        });
        if (!stop || stop->begin(backend->interrupter()))
            use(*backend);
    } catch (const Failure&) {
        // The caller reads the roster itself, and meets the failure then.
        // A stopped reading ends here too.
    }
    QSqlDatabase::removeDatabase(connection);
}

} // namespace varnel::store
