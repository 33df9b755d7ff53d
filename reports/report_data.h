#pragma once

#include "reports/report_limits.h"

#include <QString>
#include <QVector>
#include <optional>

namespace varnel::reports {

struct ReportLayout;
class ReportProgress;

// The shown text of every field of the layout (ReportLayout::fields) for
// every row of its query, in the query's order.
class ReportData {
public:
    explicit ReportData(int fieldCount) : fieldCount_(fieldCount) {}

    int rowCount() const { return fieldCount_ == 0 ? 0 : int(values_.size() / fieldCount_); }
    int fieldCount() const { return fieldCount_; }
    const QString& value(int row, int field) const { return values_[qsizetype(row) * fieldCount_ + field]; }
    void appendValue(QString text)
    {
        bytes_ += kBytesPerValue + text.capacity() * qint64(sizeof(QChar));
        values_.append(std::move(text));
    }

    // What the values take in memory, about: their text, the string
    // headers and the list's slot. Shared texts are counted each time, so
    // this errs on the high side.
    qint64 bytes() const { return bytes_; }

private:
    static constexpr qint64 kBytesPerValue = qint64(sizeof(QString)) + 24;

    int fieldCount_;
    QVector<QString> values_;  // row after row
    qint64 bytes_ = 0;
};

// Opens the layout's data source read-only (never creating it), checks that
// it is a roster, runs the layout's one query (after refuseWritingQuery) and
// formats every field. The connection is removed again before returning.
//
// A data source that is a server address (isServerLocation) is read through
// a role that may only read the Soldier table: a role that may insert,
// update, delete or truncate is refused (failure::WritingRole) before the
// query runs, which then runs in a read-only transaction the server stops at
// limits.queryMilliseconds. There `_rowid_` in the query is the table's
// primary key, as it is a file's row key, and Yes/No values are 1 and 0 as
// in a file, so a layout shows the same on both.
// Returns nothing when `progress` reports a cancel, which it may do while
// the query works as well as between rows.
//
// Throws varnel::Failure: failure::QueryRefused, NotARoster, WritingRole, QueryFailed,
// NotALayout when a field the layout shows is not in the query's result,
// QueryTimedOut past limits.queryMilliseconds, ReportTooLarge when a value
// or all values together outgrow `limits` or memory runs out.
std::optional<ReportData> readReportData(const ReportLayout& layout, ReportProgress& progress,
                                         const ReportLimits& limits = {});

} // namespace varnel::reports
