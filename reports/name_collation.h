#pragma once

struct sqlite3;

namespace varnel::reports {

// The roster's name order (common/name_order.h) as an SQLite collation on a
// report's connection, so a layout's query can say
// `ORDER BY "Name" COLLATE ROSTER_NAME` and list soldiers as the grid does.
inline constexpr char kRosterNameCollation[] = "ROSTER_NAME";
void registerRosterNameCollation(sqlite3* db);

} // namespace varnel::reports
