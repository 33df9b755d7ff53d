#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

namespace varnel::reports {

// What the main window asks of its report control `Report1`: exactly two
// requests, made in this order by every report command. The window never
// reads anything back from the control.
class ReportControl {
public:
    virtual ~ReportControl() = default;

    // The report-file request: the full path of the layout file, as text.
    // It is kept until the next call replaces it.
    virtual void setReportFileName(const QString& path) = 0;

    // The run request (a 16-bit value; the commands always pass 0). It is
    // synchronous: the report is produced and presented before it returns.
    // Throws varnel::Failure with the engine's number when the report cannot
    // be produced.
    virtual void setAction(qint16 value) = 0;

    // The program's own request, beyond the written two: the next reports
    // show only the record with this key (nothing: every record). A layout
    // that names no record key cannot show one record and refuses.
    virtual void setOnlyRecord(std::optional<qint64> key) = 0;

    // The program's own request: the next reports read the roster at
    // `location` (a file's path, or a server's address as the report role)
    // instead of their layout's data source; empty: the layout's own.
    virtual void setDataSource(const QString& location) = 0;
};

} // namespace varnel::reports
