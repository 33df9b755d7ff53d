#pragma once

#include <QString>

namespace varnel::reports {

// A layout is data, not a program: its query may only read. Refuses, before
// anything runs, any text that is not exactly one SELECT statement (or a
// WITH ... SELECT, or VALUES), and any statement word that writes or changes
// the connection (INSERT, UPDATE, DELETE, REPLACE INTO, ATTACH, DETACH,
// PRAGMA, CREATE, DROP, ALTER, VACUUM, transactions, load_extension,
// SELECT ... INTO, MERGE, set_config, nextval, setval) anywhere outside
// string literals and quoted names. A trailing semicolon is allowed.
//
// The text is read by SQLite's lexical rules and by PostgreSQL's (escape
// strings E'...', dollar quotes $tag$...$tag$, nested block comments, --
// comments ending at a carriage return, and '...' with and without
// backslash escapes, as standard_conforming_strings may be either), and must
// be one reading statement under every one of them: a text that splits
// differently under one engine is refused. So are control characters, and
// outside quotes the blanks neither engine reads as blanks (U+00A0).
// The read-only connection is a second guard behind this one.
//
// Throws varnel::Failure(failure::QueryRefused) naming `layoutPath`.
void refuseWritingQuery(const QString& query, const QString& layoutPath);

// `query` (one the guard let through) with the table "Soldier" seen through
// a WITH item that adds the column `_rowid_`, the value of `keyColumn`: how
// a query on a server reads the row key it reads in a file. Read by
// PostgreSQL's lexical rules, so a leading WITH [RECURSIVE] is found past
// any comments. Unchanged when `keyColumn` is empty.
QString withServerRowKey(const QString& query, const QString& keyColumn);

} // namespace varnel::reports
