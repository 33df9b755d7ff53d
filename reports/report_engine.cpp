#include "reports/report_engine.h"

#include "reports/dialog_progress.h"
#include "reports/report_data.h"
#include "reports/report_layout.h"
#include "reports/report_presenter.h"
#include "reports/report_progress.h"
#include "reports/report_renderer.h"

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
    const ReportLayout layout = loadLayout(reportFileName_);
    ProgressStage stage(*progress_);
    const std::optional<ReportData> data = readReportData(layout, *progress_);
    if (!data)
        return;
    const ReportRenderer renderer(layout, *data, today_());
    presenter_->present(renderer, *progress_);
}

std::unique_ptr<ReportEngine> makePreviewReportEngine(QWidget* parent)
{
    return std::make_unique<ReportEngine>(std::make_unique<PreviewPresenter>(parent),
                                          std::make_unique<DialogProgress>(parent));
}

} // namespace varnel::reports
