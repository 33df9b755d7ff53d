#pragma once

#include "reports/report_control.h"
#include "reports/report_limits.h"

#include <QDate>
#include <QStringList>
#include <functional>
#include <memory>

namespace varnel::reports {

class ReportPresenter;
class ReportProgress;

// The report engine behind Report1. On the run request it reads the layout
// file named by the report-file request, checks it, reads the data source
// read-only with the layout's one query, lays out the pages and hands them
// to its presenter, returning when the presenter is done. A cancel in the
// progress ends the report quietly (no failure, nothing presented).
//
// Failures (varnel::Failure, numbers in report_failures.h): the layout file
// missing or unreadable, not a layout, an unknown format version, beyond the
// engine's limits; the data source missing or not a roster; the query
// refused, failed, past the time limit or too large; the output not written
// or refused. Nothing is presented after a failure. Nothing else is thrown:
// running out of memory and any other fault inside the engine become
// failures too (ReportTooLarge, EngineFault).
class ReportEngine final : public ReportControl {
public:
    using Today = std::function<QDate()>;

    ReportEngine(std::unique_ptr<ReportPresenter> presenter, std::unique_ptr<ReportProgress> progress,
                 Today today = &QDate::currentDate);
    ~ReportEngine() override;

    void setReportFileName(const QString& path) override;

    // Any value runs the report; the commands pass 0.
    void setAction(qint16 value) override;

    void setOnlyRecord(std::optional<qint64> key) override { onlyRecord_ = key; }
    void setDataSource(const QString& location) override { dataSource_ = location; }

    const QString& reportFileName() const { return reportFileName_; }

    // The bounds of the next reports; tests make them small.
    void setLimits(const ReportLimits& limits) { limits_ = limits; }

    // Folders of shipped layouts: a layout file named by the report-file
    // request that does not exist is taken from the first of them that has
    // one of its name, reading the data of the named folder
    // (locateLayout). Empty, as by default: only the named file is read.
    void setShippedLayoutFolders(const QStringList& folders) { shippedLayoutFolders_ = folders; }

private:
    void run();

    std::unique_ptr<ReportPresenter> presenter_;
    std::unique_ptr<ReportProgress> progress_;
    Today today_;
    QString reportFileName_;
    std::optional<qint64> onlyRecord_;
    QString dataSource_;
    ReportLimits limits_;
    QStringList shippedLayoutFolders_;
};

} // namespace varnel::reports
