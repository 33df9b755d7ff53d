#pragma once

// What the import's tests share: the Access files of tests/legacy/data,
// copies of them changed the way damage or another design would change
// them, mdb-export's reading of a table (libmdb's own tool, run as a process
// of its own), and varnel-roster run as a clerk runs it.

#include "legacy/access_table.h"

#include "support/program_run.h"
#include "support/roster_file.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <utility>

namespace varnel::legacy::test {

using namespace varnel::test;

inline const QString kJet4Access2000 = QStringLiteral("soldier-jet4-access2000.mdb");
inline const QString kJet4Access2003 = QStringLiteral("soldier-jet4-access2003.mdb");
inline const QString kJet3Sample = QStringLiteral("sample-jet3-access97.mdb");

// The path of a file of tests/legacy/data.
QString jetFile(const QString& name);
// A writable copy of it at `path`.
QString copyJetFile(const QString& name, const QString& path);

// In the table design of the Access file at `path` (the page that holds the
// column `anchor`), each pair's names trade places; a pair whose second name
// is no column renames the first. Names of a pair have the same length, so
// nothing else in the page moves.
void swapColumnNames(const QString& path, const QList<std::pair<QString, QString>>& pairs,
                     const QString& anchor = QStringLiteral("TISDate"));
// Gives column `index` (0-based) of the Soldier table's Jet 4 design the
// type `type` (a Jet type code), leaving its data as it is.
void setColumnType(const QString& path, int index, quint8 type);
// Replaces the one occurrence of `from` in the file by `to` (as long).
void replaceOnce(const QString& path, const QByteArray& from, const QByteArray& to);

// A table as mdb-export reads it: dates as "yyyy-MM-dd HH:mm:ss", Yes/No
// 0 or 1; nothing for a field libmdb shows as empty (NULL, and empty text).
struct Export {
    QStringList header;
    QList<QList<std::optional<QString>>> rows;
};
Export mdbExport(const QString& path, const QString& table);

// Whether a value as stored in a roster file (`stored`, as read back from
// SQLite) is the one mdb-export shows for a column of the Jet type `type`;
// empty when it is, else what differs.
QString differenceFromExport(const std::optional<QString>& exported, const QVariant& stored, quint8 type);

// A table read through the program's reader, held whole.
struct ReadTable {
    AccessTableInfo info;
    QList<AccessColumn> columns;
    QList<QList<AccessValue>> rows;
};
ReadTable readWhole(const QString& path, const QString& table, const ReaderOptions& options = {});
// The value as the import stores it, for comparing.
QVariant storedForm(const AccessValue& value);

using ToolRun = varnel::test::ProgramRun;
ToolRun runRosterTool(const QStringList& args);

// Every file in the folder, sorted.
QStringList folderEntries(const QString& dir);

} // namespace varnel::legacy::test
