#pragma once

#include <QString>

namespace varnel::reports {

// A layout is data, not a program: its query may only read. Refuses, before
// anything runs, any text that is not exactly one SELECT statement (or a
// WITH ... SELECT, or VALUES), and any statement word that writes or changes
// the connection (INSERT, UPDATE, DELETE, REPLACE INTO, ATTACH, DETACH,
// PRAGMA, CREATE, DROP, ALTER, VACUUM, transactions, load_extension)
// anywhere outside string literals and quoted names. A trailing semicolon
// is allowed. The read-only connection is a second guard behind this one.
//
// Throws varnel::Failure(failure::QueryRefused) naming `layoutPath`.
void refuseWritingQuery(const QString& query, const QString& layoutPath);

} // namespace varnel::reports
