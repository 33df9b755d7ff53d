#pragma once

#include "store/value.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace varnel::store {

// One change to a soldier's record as a server roster's history of changes
// keeps it: when, by which of the server's roles, and each changed column
// from what to what. An added record's columns have no value before (empty
// Values), a deleted one's none after; a column set to no value is
// Value::null().
struct HistoryEntry {
    enum class Action { Added, Changed, Deleted };
    struct Field {
        QString column; // the table's name for it
        Value before;
        Value after;
    };
    QDateTime at; // UTC
    QString role;
    Action action = Action::Changed;
    QList<Field> fields; // in table order
};

// The history table of the roster table `table`, unquoted ("SoldierHistory").
inline QString historyTableOf(const QString& table)
{
    return table + QStringLiteral("History");
}

// The statements that make a server roster keep its history: the table
// historyTableOf(table), and a trigger on `table` that adds a row to it for
// every record added, changed (only the columns whose value changed) or
// deleted, and one for the table emptied (TRUNCATE), with the time and the
// role that logged in (session_user). `key` is the table's key column,
// unquoted. The trigger's function runs as its owner (the role that made
// the roster), so clerks need no right on the history table but SELECT;
// a trigger on the history table refuses every INSERT, UPDATE, DELETE and
// TRUNCATE but the owner's (the roster's maker, the database's owner)
// with 42501, even for a role granted everything on the table. The
// functions search only the roster's schema (and temporary tables last),
// so no clerk's table of the same name can take the rows instead.
QStringList serverHistoryStatements(const QString& table, const QString& key);

} // namespace varnel::store
