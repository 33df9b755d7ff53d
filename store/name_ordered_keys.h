#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>

namespace varnel::store {

// The keys of `sql`'s rows ("SELECT _rowid_, <name column> FROM ..."), in
// the roster's name order (common/name_order.h): records with no name
// first, then by the folded name, its exact text, and the key. SQLite
// compares text by its bytes, in which "de la Cruz" follows "Zimmerman";
// the order is made here from each name's folded form, worked out once.
QList<qint64> keysInNameOrder(const QSqlDatabase& db, const QString& sql, const QString& path);

} // namespace varnel::store
