#pragma once

#include "reports/report_presenter.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

namespace varnel::reports {
class ReportEngine;
}

namespace varnel::ui {

// A modal print preview (ReportPreview) over `parent`, with printing and an
// "Export PDF..." button (object name "exportPdf") that writes the report to a file
// chosen by `askPdfPath` (a save-file dialog unless a test gives another).
// A file that exists is replaced only when `askReplace` says yes (a
// question box unless a test gives another); the roster and the layout are
// refused without asking. Cancelling the progress stops the report.
// A failed export, a failed print (failure::PrintFailed, naming the report
// and the printer), or a failure while the pages are painted, closes the
// preview and is thrown when present() returns, for the window to show.
class PreviewPresenter final : public reports::ReportPresenter {
public:
    // Returns the chosen PDF path, or empty text when the clerk cancels.
    using AskPdfPath = std::function<QString(QWidget* parent, const QString& suggested)>;
    // Whether the existing file `path` may be replaced.
    using AskReplace = std::function<bool(QWidget* parent, const QString& path)>;

    explicit PreviewPresenter(QWidget* parent = nullptr, AskPdfPath askPdfPath = {}, AskReplace askReplace = {});
    void present(const reports::ReportRenderer& report, reports::ReportProgress& progress) override;

private:
    QPointer<QWidget> parent_;
    AskPdfPath askPdfPath_;
    AskReplace askReplace_;
};

// The main window's Report1: a modal print preview over `parent` (print,
// export PDF) and a progress dialog with Cancel for work over half a second.
// A layout missing from the roster's folder is taken from the shipped ones.
std::unique_ptr<reports::ReportEngine> makePreviewReportEngine(QWidget* parent);

} // namespace varnel::ui
