#include "ui/dialog_progress.h"
#include "ui/preview_presenter.h"
#include "ui/report_preview.h"

#include "reports/report_engine.h"
#include "reports/report_failures.h"
#include "reports/report_pdf.h"
#include "reports/report_progress.h"

#include "report_helpers.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPrinter>
#include <QProgressDialog>
#include <QTimer>
#include <functional>

using namespace varnel::reports;
using namespace varnel::reports::test;
using varnel::ui::DialogProgress;
using varnel::ui::PreviewPresenter;
using varnel::ui::ReportPreview;

namespace {

void whilePreviewIsUp(const std::function<void(ReportPreview&)>& inPreview)
{
    auto* closer = new QTimer(qApp);
    closer->setInterval(50);
    QObject::connect(closer, &QTimer::timeout, [=] {
        auto* preview = qobject_cast<ReportPreview*>(QApplication::activeModalWidget());
        if (!preview)
            return;
        closer->stop();
        closer->deleteLater();
        inPreview(*preview);
        if (preview->isVisible())
            preview->reject();
    });
    closer->start();
}

// The share of `shot`'s pixels that are ink: dark as type is.
double inkShare(const QImage& shot)
{
    qint64 ink = 0;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x)
            ink += qGray(shot.pixel(x, y)) < 100;
    }
    return double(ink) / (qint64(shot.width()) * shot.height());
}

} // namespace

// Export PDF refuses the roster before it asks to replace a file.
TEST(PreviewPresenter, ShowsEveryPageAndExportsAskingBeforeReplacing)
{
    const struct {
        const char* name;
        QString target;
        bool answer;
        bool asked;
        int number; // 0: no failure
        bool writes;
    } cases[] = {
        {"a new file", "new.pdf", false, false, 0, true},
        {"another file, clerk says no", "other.pdf", false, true, 0, false},
        {"another file, clerk says yes", "other.pdf", true, true, 0, true},
        {"the roster", "Varnel_DATA.MDB", true, false, failure::OutputIsInput, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OutputFolder folder;
        const QString target = folder.dir.filePath(c.target);
        QStringList asked;
        QString suggested;
        int pagesShown = -1;
        double ink = 0;
        bool openAfterExport = false;
        ReportEngine engine(std::make_unique<PreviewPresenter>(
                                nullptr,
                                [&](QWidget*, const QString& offered) {
                                    suggested = offered;
                                    return target;
                                },
                                [&](QWidget*, const QString& path) {
                                    asked << path;
                                    return c.answer;
                                }),
                            std::make_unique<SilentProgress>());
        engine.setReportFileName(copyShippedLayout("varnel_work.rpt", folder.dir.path()));
        whilePreviewIsUp([&](ReportPreview& preview) {
            pagesShown = preview.pageCount();
            ink = inkShare(preview.view().viewport()->grab().toImage());
            if (auto* action = preview.findChild<QAction*>("exportPdf"))
                action->trigger();
            QCoreApplication::processEvents();
            openAfterExport = preview.isVisible();
        });
        const auto failure = failureOf([&] { engine.setAction(0); });
        EXPECT_EQ(failure ? failure->number() : 0, c.number) << (failure ? failure->what() : "");
        EXPECT_EQ(asked, c.asked ? QStringList{target} : QStringList());
        EXPECT_EQ(openAfterExport, c.number == 0) << "a failure closes the preview, nothing else does";
        EXPECT_EQ(isPdf(target), c.writes);
        EXPECT_EQ(pagesShown, 7);
        // Type drawn at its size on paper (some 3% of the view), not at the
        // paper's resolution shrunk to the screen's (some 1%).
        EXPECT_GT(ink, 0.02);
        EXPECT_EQ(suggested, QDir::current().filePath("Promotion Point Worksheet.pdf")) << "the layout's title";
        if (c.writes) {
            EXPECT_EQ(pdfPages(target).size(), 7);
        } else if (c.target == "other.pdf") {
            EXPECT_EQ(fileBytes(target), kKeep);
        }
        folder.expectInputsUnchanged();
    }
}

TEST(PreviewPresenter, FailureInsideThePreviewsEventsEndsTheReport)
{
    for (const bool whileExporting : {false, true}) {
        SCOPED_TRACE(whileExporting ? "exporting" : "painting the preview");
        OutputFolder folder;
        auto progress = std::make_unique<ThrowingProgress>("Laying out", !whileExporting);
        ThrowingProgress* failing = progress.get();
        ReportEngine engine(std::make_unique<PreviewPresenter>(
                                nullptr, [&](QWidget*, const QString&) { return folder.dir.filePath("new.pdf"); }),
                            std::move(progress));
        engine.setReportFileName(folder.layout);
        if (whileExporting)
            whilePreviewIsUp([&](ReportPreview& preview) {
                failing->armed = true;
                if (auto* action = preview.findChild<QAction*>("exportPdf"))
                    action->trigger();
            });
        // Should the preview not close by itself, this fails the test.
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [&] {
            if (auto* preview = qobject_cast<QDialog*>(QApplication::activeModalWidget()); preview && !whileExporting) {
                ADD_FAILURE() << "the preview stayed open";
                preview->reject();
            }
        });
        guard.start(10000);
        EXPECT_EQ(failureNumber([&] { engine.setAction(0); }), failure::ReportTooLarge);
        EXPECT_FALSE(QFile::exists(folder.dir.filePath("new.pdf")));
    }
}

// A print the printer cannot take (a PDF into a folder that is not there) is
// thrown for the window to show, naming the report and where it went.
TEST(PreviewPresenter, FailedPrintIsReported)
{
    OutputFolder folder;
    const QString target = folder.dir.filePath("missing/print.pdf");
    ReportEngine engine(std::make_unique<PreviewPresenter>(), std::make_unique<SilentProgress>());
    engine.setReportFileName(folder.layout);
    whilePreviewIsUp([&](ReportPreview& preview) {
        preview.printer().setOutputFormat(QPrinter::PdfFormat);
        preview.printer().setOutputFileName(target);
        preview.print();
    });
    expectFailure([&] { engine.setAction(0); }, failure::PrintFailed,
                  {"NCOES Course List", "varnel_nco.rpt", QDir::toNativeSeparators(target)});
}

// The real progress window: its Cancel button reaches a query that gives
// no rows, through the events the window handles while the query runs.
TEST(DialogProgress, CancelButtonStopsALongQuery)
{
    LayoutFolder folder(listLayoutOver(kEndlessCount));
    auto progress = std::make_unique<DialogProgress>(nullptr, 50);
    DialogProgress* window = progress.get();
    bool cancelled = false;
    QTimer clerk;
    QObject::connect(&clerk, &QTimer::timeout, [&] {
        if (window->dialog() && window->dialog()->isVisible() && !cancelled) {
            window->dialog()->cancel();
            cancelled = true;
        }
    });
    clerk.start(10);
    ReportEngine engine(std::make_unique<PdfPresenter>(folder.pdf, ExistingPdf::Refuse), std::move(progress));
    engine.setReportFileName(folder.layout);
    EXPECT_FALSE(failureOf([&] { engine.setAction(0); }));
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(window->dialog(), nullptr) << "the progress window is gone";
    folder.expectLeftAsFound();
}
