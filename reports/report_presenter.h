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
// A file that exists is replaced only when `askReplace` says yes (a
// question box unless a test gives another); the roster and the layout are
// refused without asking. Cancelling the page progress closes the preview.
// A failed export, or a failure while the pages are painted, closes the
// preview and is thrown when present() returns.
class PreviewPresenter final : public ReportPresenter {
public:
    // Returns the chosen PDF path, or empty text when the clerk cancels.
    using AskPdfPath = std::function<QString(QWidget* parent, const QString& suggested)>;
    // Whether the existing file `path` may be replaced.
    using AskReplace = std::function<bool(QWidget* parent, const QString& path)>;

    explicit PreviewPresenter(QWidget* parent = nullptr, AskPdfPath askPdfPath = {}, AskReplace askReplace = {});
    void present(const ReportRenderer& report, ReportProgress& progress) override;

private:
    QPointer<QWidget> parent_;
    AskPdfPath askPdfPath_;
    AskReplace askReplace_;
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
