#pragma once

struct sqlite3;

namespace varnel::reports {

// The roster's name order (common/name_order.h) as an SQLite collation on a
// report's connection, so a layout's query can say
// `ORDER BY "Name" COLLATE ROSTER_NAME` and list soldiers as the grid does.
// A roster on a server has a collation of that name too (made with its
// table), so the query reads alike on both.
inline constexpr char kRosterNameCollation[] = "ROSTER_NAME";
// Also registers `"C"`, the texts' byte order: SQLite's own BINARY under the
// name PostgreSQL gives it, for a layout that orders other text exactly so
// on a file and on a server whatever the server's default collation.
inline constexpr char kByteOrderCollation[] = "C";
void registerRosterNameCollation(sqlite3* db);

} // namespace varnel::reports
