#pragma once

// Bringing a clerk's Access roster (Varnel_DATA.MDB as the written program
// kept it: Jet 3, Jet 4 or ACE) across into a new roster file.

#include "legacy/access_table.h"
#include "store/record_layout.h"

#include <QMap>
#include <QString>

namespace varnel::legacy {

struct ImportSummary {
    int records = 0;
    int jetVersion = 0;
    // Every column by the kind the new file declares for it.
    QMap<store::ColumnKind, int> columnsByKind;
    int columnCount() const;
    // "30 columns: 2 date, 11 yes/no, 9 integer, 8 text".
    QString columnsText() const;
};

// Reads the table Soldier of the Access file at `oldPath` and writes a new
// roster file at `newPath` with the same columns in the same order, each
// declared by its kind (DATE or DATETIME, BOOLEAN, INTEGER, REAL,
// NUMERIC(19,4) for Currency, TEXT), every record in the table's stored
// order with its values exactly, the AutoNumber key as the new file's
// INTEGER PRIMARY KEY with the same numbers, and an index on Name.
//
// Values: a Date/Time from its stored number, as "YYYY-MM-DD" with
// " HH:MM:SS" only when it has a time of day; Yes/No 0 or 1; Byte, Integer
// and Long Integer whole numbers; Single and Double real numbers; Text and
// Memo as UTF-8 (Jet 3's text read as Windows-1252). NULL stays NULL and
// empty text stays empty text.
//
// The old file is only read. The new file is written under a temporary
// name in its folder and takes `newPath` only once it is whole; after any
// failure nothing is left. Throws varnel::Failure naming the file:
// 17 `newPath` exists, 3190 a fixed position of the table holds the wrong
// column (as the window refuses it), 3265 no Name column, 5202 a text too
// long to read whole, 5203 a date outside the years 100 to 9999, 5204 a
// column of a type a roster cannot hold (OLE Object, Binary, Attachment,
// Decimal, Replication ID), each naming the record or column; the reader's
// failures (readAccessTable); SQLite's codes when the new file cannot be
// written.
ImportSummary importAccessRoster(const QString& oldPath, const QString& newPath, const ReaderOptions& options = {});

// The table the roster is kept in.
inline const QString kSoldierTable = QStringLiteral("Soldier");

} // namespace varnel::legacy
