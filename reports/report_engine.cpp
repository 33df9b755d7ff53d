#include "reports/report_engine.h"

#include "common/failure.h"
#include "reports/report_commands.h"
#include "reports/report_failures.h"
#include "reports/report_data.h"
#include "reports/report_layout.h"
#include "reports/report_presenter.h"
#include "reports/report_progress.h"
#include "reports/report_renderer.h"

#include <QCoreApplication>
#include <QDir>
#include <new>
#include <stdexcept>

namespace varnel::reports {

namespace {

// Takes the progress down however the report ends, failures included.
class ProgressStage {
public:
    explicit ProgressStage(ReportProgress& progress) : progress_(progress) {}
    ~ProgressStage() { progress_.end(); }
    ProgressStage(const ProgressStage&) = delete;
    ProgressStage& operator=(const ProgressStage&) = delete;

private:
    ReportProgress& progress_;
};

} // namespace

ReportEngine::ReportEngine(std::unique_ptr<ReportPresenter> presenter, std::unique_ptr<ReportProgress> progress,
                           Today today)
    : presenter_(std::move(presenter)), progress_(std::move(progress)), today_(std::move(today))
{
}

ReportEngine::~ReportEngine() = default;

void ReportEngine::setReportFileName(const QString& path)
{
    reportFileName_ = path;
}

void ReportEngine::setAction(qint16 /*value*/)
{
    // The window's handler shows failures with their number; anything else
    // thrown on the way (Qt's containers throw std::bad_alloc) becomes one,
    // naming the layout, so no report ends the program.
    const QString layout = QDir::toNativeSeparators(reportFileName_);
    try {
        run();
    } catch (const Failure&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw Failure(failure::ReportTooLarge,
                      QCoreApplication::translate("varnel::reports", "The report of the layout %1 needs more memory than there is; it was stopped.")
                          .arg(layout));
    } catch (const std::length_error&) {
        throw Failure(failure::ReportTooLarge,
                      QCoreApplication::translate("varnel::reports", "The report of the layout %1 is larger than the program can hold; it was stopped.")
                          .arg(layout));
    } catch (const std::exception& error) {
        throw Failure(failure::EngineFault, QCoreApplication::translate("varnel::reports", "The report of the layout %1 failed unexpectedly: %2.")
                                                .arg(layout, QString::fromLocal8Bit(error.what())));
    }
}

void ReportEngine::run()
{
    ReportLayout layout = [&] {
        if (shippedLayoutFolders_.isEmpty() || reportFileName_.isEmpty())
            return loadLayout(reportFileName_);
        const LayoutLocation location = locateLayout(reportFileName_, shippedLayoutFolders_);
        return loadLayout(location.path, location.dataFolder);
    }();
    if (!dataSource_.isEmpty())
        layout.dataSource = RosterLocation(dataSource_);
    if (onlyRecord_) {
        if (layout.recordKey.isEmpty())
            throw Failure(failure::NotALayout,
                          QCoreApplication::translate("varnel::reports", "The report layout %1 cannot show one soldier: it names no \"recordKey\".")
                              .arg(QDir::toNativeSeparators(layout.path)));
        // The layout's own query, narrowed to the one record.
        QString query = layout.query.trimmed();
        while (query.endsWith(u';'))
            query.chop(1);
        QString key = layout.recordKey;
        key.replace(u'"', QLatin1String("\"\""));
        layout.query = QStringLiteral("SELECT * FROM (%1) AS \"OneRecord\" WHERE \"%2\" = %3").arg(query, key).arg(*onlyRecord_);
    }
    ProgressStage stage(*progress_);
    const std::optional<ReportData> data = readReportData(layout, *progress_, limits_);
    if (!data)
        return;
    const ReportRenderer renderer(layout, *data, today_());
    presenter_->present(renderer, *progress_);
}

} // namespace varnel::reports
