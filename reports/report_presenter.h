#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

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

// A modal QPrintPreviewDialog over `parent`, with printing and an "Export
// PDF..." button (object name "exportPdf") that writes the report to a file
// chosen by `askPdfPath` (a save-file dialog unless a test gives another).
// Cancelling the page progress closes the preview. A failed export closes
// the preview and is thrown when present() returns.
class PreviewPresenter final : public ReportPresenter {
public:
    // Returns the chosen PDF path, or empty text when the clerk cancels.
    using AskPdfPath = std::function<QString(QWidget* parent, const QString& suggested)>;

    explicit PreviewPresenter(QWidget* parent = nullptr, AskPdfPath askPdfPath = {});
    void present(const ReportRenderer& report, ReportProgress& progress) override;

private:
    QPointer<QWidget> parent_;
    AskPdfPath askPdfPath_;
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
