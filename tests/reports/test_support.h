#pragma once

#include "common/failure.h"
#include "reports/report_layout.h"
#include "reports/report_presenter.h"
#include "reports/report_renderer.h"

#include <QStringList>
#include <functional>
#include <optional>

namespace varnel::reports::test {

// Keeps the title of each report it is given, in order.
class RecordingPresenter : public ReportPresenter {
public:
    explicit RecordingPresenter(QStringList& titles) : titles_(titles) {}
    void present(const ReportRenderer& report, ReportProgress&) override { titles_ << report.layout().title; }

private:
    QStringList& titles_;
};

// The failure `run` throws, if any.
inline std::optional<Failure> failureOf(const std::function<void()>& run)
{
    try {
        run();
    } catch (const Failure& failure) {
        return failure;
    }
    return std::nullopt;
}

} // namespace varnel::reports::test
