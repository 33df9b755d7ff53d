#pragma once

#include <QString>
#include <utility>

namespace varnel::reports {

class ReportProgress;
class ReportRenderer;

// How a finished report reaches the clerk: the window's is a modal print
// preview (ui/preview_presenter.h); writing a PDF file is another; tests
// record what they are given.
class ReportPresenter {
public:
    virtual ~ReportPresenter() = default;

    // Presents the report and returns when the clerk is done with it.
    // Throws varnel::Failure when the report cannot be put out.
    virtual void present(const ReportRenderer& report, ReportProgress& progress) = 0;
};

// What a PDF writer does with a file that is there already. The roster and
// the layout are never replaced, whatever is chosen (checkPdfTarget).
enum class ExistingPdf { Refuse, Replace };

// Writes the report to a PDF file, with no window. The pages go to a
// temporary file in the target's folder, which replaces the target only
// once the whole PDF is written and flushed to the disk: after any failure
// or a cancel there is no partial PDF and no temporary file, and a file that
// was there stays as it was.
//
// Throws varnel::Failure naming the file: failure::OutputIsInput or
// OutputFailed (checkPdfTarget), OutputExists when the file is there and
// `existing` is Refuse, OutputFailed when the file cannot be written whole
// (a full disk, a folder that cannot be written).
class PdfPresenter final : public ReportPresenter {
public:
    PdfPresenter(QString pdfPath, ExistingPdf existing) : pdfPath_(std::move(pdfPath)), existing_(existing) {}
    void present(const ReportRenderer& report, ReportProgress& progress) override;

private:
    QString pdfPath_;
    ExistingPdf existing_;
};

} // namespace varnel::reports
