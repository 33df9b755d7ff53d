#pragma once

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
    void appendValue(QString text) { values_.append(std::move(text)); }

private:
    int fieldCount_;
    QVector<QString> values_;  // row after row
};

// Opens the layout's data source read-only (never creating it), checks that
// it is a roster, runs the layout's one query (after refuseWritingQuery) and
// formats every field. The connection is removed again before returning.
// Returns nothing when `progress` reports a cancel.
//
// Throws varnel::Failure: failure::QueryRefused, NotARoster, QueryFailed, or
// NotALayout when a field the layout shows is not in the query's result.
std::optional<ReportData> readReportData(const ReportLayout& layout, ReportProgress& progress);

} // namespace varnel::reports
