#pragma once

#include <QList>
#include <QString>
#include <QVariantMap>

namespace varnel::reports::test {

// One Soldier row: column name -> value (missing columns stay NULL).
using SoldierRow = QVariantMap;

// Creates `path` as a roster file with the table as `varnel-roster create`
// writes it and the given rows.
void createRoster(const QString& path, const QList<SoldierRow>& rows);

// Creates `path` as an SQLite database with one table that is not Soldier.
void createPlainDatabase(const QString& path);

// Seven soldiers with known values: totalled, tied, never totalled, every
// school group, dates in both encodings, awards stored as 1 and -1.
QList<SoldierRow> sampleSoldiers();

// Copies the shipped layout `name` (e.g. "varnel_list.rpt") into `dir`;
// returns the copy's path.
QString copyShippedLayout(const QString& name, const QString& dir);

// Writes `text` to `path`; returns the path.
QString writeFile(const QString& path, const QByteArray& text);

QByteArray fileBytes(const QString& path);

} // namespace varnel::reports::test
