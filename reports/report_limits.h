#pragma once

#include <QtGlobal>

namespace varnel::reports {

// What one report may take. A real report reads a unit's roster (hundreds to
// a few thousand soldiers) in well under a second and keeps a few megabytes;
// these bounds sit far above that and only stop a runaway query before it
// freezes the program or exhausts the machine's memory. Each breach is a
// numbered failure (report_failures.h), never an abort. Documented in
// docs/report-layouts.md; keep the two in step.
struct ReportLimits {
    // The query, from its start to its last row read. Generous for a large
    // roster on a slow network folder; a query that runs longer is stopped
    // (failure::QueryTimedOut). SQLite's temporary files of a runaway sort
    // are bounded by this time too.
    qint64 queryMilliseconds = 60'000;
    // The shown values of the whole report, as kept in memory (text and
    // bookkeeping, counted on the high side): about 1.3 KB a soldier for the
    // worksheets and 0.7 KB for the merit list, so some 200,000 soldiers'
    // worksheets still fit (failure::ReportTooLarge beyond).
    qint64 dataBytes = qint64(256) << 20;
    // Any one text or blob the query reads or makes: SQLite's
    // SQLITE_LIMIT_LENGTH on the report's own connection, so randomblob(1e9)
    // fails at once instead of allocating (failure::ReportTooLarge).
    int valueBytes = 8 << 20;
};

// Bounds on the layout file itself (failure::LayoutTooLarge). A layout is a
// few kilobytes of JSON; the shipped ones are under 4 KiB.
namespace layout_limits {
inline constexpr qint64 kFileBytes = 256 * 1024;
inline constexpr int kDateFormatChars = 64;   // "dddd, MMMM d, yyyy" is 18
inline constexpr int kTextChars = 1000;       // titles, headings, labels, footers, field names, map and null texts
inline constexpr int kColumns = 100;          // more do not fit across a page
inline constexpr int kFormLines = 500;
inline constexpr int kMapEntries = 1000;      // per shown value
} // namespace layout_limits

} // namespace varnel::reports
