#include "store/roster_backend.h"

#include "store/postgres_backend.h"
#include "store/sqlite_backend.h"

namespace varnel::store {

std::unique_ptr<RosterBackend> openRosterBackend(const QString& connectionName, const QString& location)
{
    if (isServerLocation(location))
        return std::make_unique<PostgresBackend>(location);
    return SqliteBackend::open(connectionName, location);
}

} // namespace varnel::store
