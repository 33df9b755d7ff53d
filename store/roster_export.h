#pragma once

#include <QString>

class QIODevice;

namespace varnel::store {

class DataControl;
class Recordset;

// What File > Export and `varnel-roster export` write.
enum class ExportKind {
    Roster,    // every record in the roster's order, every column in the table's order
    MeritList, // place, name, rank, the points, the total and its date, as the merit list orders them
};

// Writes the open roster as CSV (RFC 4180: fields separated by commas,
// lines ended by CR LF, a field holding a comma, a quote or a line break in
// quotes with its quotes doubled), in UTF-8 after a byte-order mark, so a
// spreadsheet shows every character right. The first line names the
// columns. Values: dates as ISO text ("2004-03-15", with " 13:30:00" when
// there is a time), Yes/No as "Yes" or "No", numbers as digits, no value
// as an empty field. A text that a spreadsheet would take for a formula
// (beginning with =, +, -, @, a tab or a carriage return) is written after
// an apostrophe, so opening the file never runs anything; control
// characters but tab and line breaks are left out before that is judged.
void writeCsv(Recordset& rs, ExportKind kind, QIODevice& out);

// Writes the CSV into the file at `path`: under a temporary name in its
// folder, renamed into place only when whole. Never over the roster file
// itself or a report layout (5111); over another existing file only when
// `replace` (else 5112). A failed or short write is 5107 and leaves nothing behind.
void exportCsv(DataControl& data1, ExportKind kind, const QString& path, bool replace);

} // namespace varnel::store
