#include "store/background_read.h"

#include "common/failure.h"
#include "store/roster_backend.h"

#include <QSqlDatabase>
#include <atomic>

namespace varnel::store {

void withOwnConnection(const RosterLocation& location, const QString& purpose,
                       const std::function<void(RosterBackend&)>& use)
{
    static std::atomic<int> serial{0};
    const QString connection = QStringLiteral("varnel-%1-%2").arg(purpose).arg(++serial);
    try {
        const std::unique_ptr<RosterBackend> backend = openRosterBackend(connection, location);
        use(*backend);
    } catch (const Failure&) {
        // The caller reads the roster itself, and meets the failure then.
    }
    QSqlDatabase::removeDatabase(connection);
}

} // namespace varnel::store
