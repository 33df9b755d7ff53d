#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

namespace varnel::reports {

class ReportProgress;
class ReportRenderer;

// How a finished report reaches the clerk: the real one is a modal print
// preview; writing a PDF file is another; tests record what they are given.
class ReportPresenter {
public:
    virtual ~ReportPresenter() = default;

    // Presents the report and returns when the clerk is done with it.
    // Throws varnel::Failure when the report cannot be put out.
    virtual void present(const ReportRenderer& report, ReportProgress& progress) = 0;
};

// A modal QPrintPreviewDialog over `parent`, with printing and PDF export.
// Cancelling the page progress closes the preview.
class PreviewPresenter final : public ReportPresenter {
public:
    explicit PreviewPresenter(QWidget* parent = nullptr) : parent_(parent) {}
    void present(const ReportRenderer& report, ReportProgress& progress) override;

private:
    QPointer<QWidget> parent_;
};

// Writes the report to a PDF file, with no window.
// Throws varnel::Failure(failure::OutputFailed) naming the file.
class PdfPresenter final : public ReportPresenter {
public:
    explicit PdfPresenter(QString pdfPath) : pdfPath_(std::move(pdfPath)) {}
    void present(const ReportRenderer& report, ReportProgress& progress) override;

private:
    QString pdfPath_;
};

} // namespace varnel::reports
