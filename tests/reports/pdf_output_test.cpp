// Where a report's PDF may go: never over the roster or the layout, over
// another file only when allowed, and in place only once it is whole.
#include "reports/report_engine.h"
#include "reports/report_failures.h"
#include "reports/report_pdf.h"
#include "reports/report_progress.h"

#include "report_helpers.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrintPreviewDialog>
#include <QTimer>

using namespace varnel::reports;
using namespace varnel::reports::test;

namespace {

const QByteArray kKeep = "a file the clerk keeps";

// A roster, a layout and a file of the clerk's, with links to them.
struct OutputFolder {
    QTemporaryDir dir;
    QString roster = dir.filePath("Varnel_DATA.MDB");
    QString layout;
    QString other = dir.filePath("other.pdf");
    QByteArray rosterBytes, layoutBytes;

    OutputFolder()
    {
        writeSampleRoster(dir);
        layout = copyShippedLayout("varnel_nco.rpt", dir.path());
        writeFile(other, kKeep);
        QDir(dir.path()).mkdir("sub");
        QFile::link(roster, dir.filePath("roster-link.pdf"));
        QFile::link(layout, dir.filePath("layout-link.pdf"));
        QFile::link(roster + "-journal", dir.filePath("journal-link.pdf"));
        if (runProgram("ln", {roster, dir.filePath("roster-hard.pdf")}) != 0)
            ADD_FAILURE() << "no hard link made";
        // Something that is no plain file, like /dev/full, but of the test's
        // own: were it ever replaced, nothing of the machine's would be lost.
        if (runProgram("mkfifo", {dir.filePath("pipe.pdf")}) != 0)
            ADD_FAILURE() << "no pipe made";
        rosterBytes = fileBytes(roster);
        layoutBytes = fileBytes(layout);
    }
    QStringList entries() const
    {
        QStringList names = QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System);
        names.sort();
        return names;
    }
    void expectInputsUnchanged() const
    {
        EXPECT_EQ(fileBytes(roster), rosterBytes);
        EXPECT_EQ(fileBytes(layout), layoutBytes);
    }
};

bool isPdf(const QString& path)
{
    return fileBytes(path).startsWith("%PDF-");
}

} // namespace

TEST(PdfOutput, RefusesTheInputsAndAsksBeforeReplacing)
{
    const struct {
        const char* name;
        QString target; // relative to the folder unless absolute
        ExistingPdf existing;
        int number;     // 0: written
    } cases[] = {
        {"the roster", "Varnel_DATA.MDB", ExistingPdf::Replace, failure::OutputIsInput},
        {"the roster by another spelling", "sub/../sub//../Varnel_DATA.MDB", ExistingPdf::Replace, failure::OutputIsInput},
        {"the roster through a symbolic link", "roster-link.pdf", ExistingPdf::Replace, failure::OutputIsInput},
        {"the roster through a hard link", "roster-hard.pdf", ExistingPdf::Replace, failure::OutputIsInput},
        {"the roster's journal", "Varnel_DATA.MDB-journal", ExistingPdf::Replace, failure::OutputIsInput},
        {"a link to the roster's journal", "journal-link.pdf", ExistingPdf::Replace, failure::OutputIsInput},
        {"the layout", "varnel_nco.rpt", ExistingPdf::Replace, failure::OutputIsInput},
        {"the layout through a symbolic link", "layout-link.pdf", ExistingPdf::Replace, failure::OutputIsInput},
        {"another file, not to be replaced", "other.pdf", ExistingPdf::Refuse, failure::OutputExists},
        {"another file, to be replaced", "other.pdf", ExistingPdf::Replace, 0},
        {"a new file", "new.pdf", ExistingPdf::Refuse, 0},
        {"a folder", "sub", ExistingPdf::Replace, failure::OutputFailed},
        {"a pipe", "pipe.pdf", ExistingPdf::Replace, failure::OutputFailed},
        {"a missing folder", "no/such/new.pdf", ExistingPdf::Replace, failure::OutputFailed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OutputFolder folder;
        const QString target = QDir(folder.dir.path()).filePath(c.target);
        QStringList expected = folder.entries();
        if (c.number == 0 && !expected.contains(c.target))
            expected << c.target;
        const auto failure = failureOf([&] { writeReportPdf(folder.layout, target, c.existing); });
        if (c.number == 0) {
            EXPECT_FALSE(failure) << failure->what();
            EXPECT_TRUE(isPdf(target));
        } else {
            EXPECT_EQ(failure ? failure->number() : 0, c.number);
            if (failure) {
                EXPECT_TRUE(failure->description().contains(QFileInfo(c.target).fileName())) << failure->what();
            }
            EXPECT_EQ(fileBytes(folder.other), kKeep);
        }
        expected.sort();
        EXPECT_EQ(folder.entries(), expected) << "no temporary file left";
        folder.expectInputsUnchanged();
        EXPECT_FALSE(QFileInfo(folder.dir.filePath("pipe.pdf")).isFile()) << "the pipe is still a pipe";
    }
}

// A full disk: nothing is left behind, and a file that was there stays as
// it was.
TEST(PdfOutput, FullDiskLeavesNothingBehind)
{
    ScratchMount disk(QStringLiteral("64k"));
    if (!disk.skipReason().isEmpty())
        GTEST_SKIP() << disk.skipReason().toStdString();
    OutputFolder folder;
    const QString kept = writeFile(disk.path() + "/kept.pdf", kKeep);
    disk.fill();
    for (const QString& name : {QStringLiteral("new.pdf"), QStringLiteral("kept.pdf")}) {
        SCOPED_TRACE(name.toStdString());
        const auto failure = failureOf([&] { writeReportPdf(folder.layout, disk.path() + u'/' + name); });
        EXPECT_EQ(failure ? failure->number() : 0, failure::OutputFailed);
        if (failure) {
            EXPECT_TRUE(failure->description().contains(name)) << failure->what();
        }
        EXPECT_EQ(QDir(disk.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
                  (QStringList{"filler", "kept.pdf"}));
        EXPECT_EQ(fileBytes(kept), kKeep);
    }
}

// The window's Export PDF: the same refusals, and a question before a file
// is replaced; "No" leaves the file and the preview as they are.
TEST(PdfOutput, ExportFromThePreviewAsksBeforeReplacing)
{
    const struct {
        const char* name;
        QString target;
        bool answer;
        bool asked;
        int number;        // 0: no failure
        bool writes;
    } cases[] = {
        {"a new file", "new.pdf", false, false, 0, true},
        {"another file, clerk says no", "other.pdf", false, true, 0, false},
        {"another file, clerk says yes", "other.pdf", true, true, 0, true},
        {"the roster", "Varnel_DATA.MDB", true, false, failure::OutputIsInput, false},
        {"the roster through a link", "roster-link.pdf", true, false, failure::OutputIsInput, false},
        {"the layout", "varnel_nco.rpt", true, false, failure::OutputIsInput, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OutputFolder folder;
        const QString target = folder.dir.filePath(c.target);
        QStringList asked;
        bool openAfterExport = false;
        ReportEngine engine(std::make_unique<PreviewPresenter>(
                                nullptr, [&](QWidget*, const QString&) { return target; },
                                [&](QWidget*, const QString& path) {
                                    asked << path;
                                    return c.answer;
                                }),
                            std::make_unique<SilentProgress>());
        engine.setReportFileName(folder.layout);
        whilePreviewIsUp([&](QPrintPreviewDialog& preview) {
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
        if (c.target == "other.pdf" && !c.writes) {
            EXPECT_EQ(fileBytes(target), kKeep);
        }
        folder.expectInputsUnchanged();
    }
}

// Out of memory while the preview paints its pages or while the export
// writes them: the preview closes and the report ends with a number.
TEST(PdfOutput, FailureInsideThePreviewsEventsEndsTheReport)
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
        if (whileExporting) {
            whilePreviewIsUp([&](QPrintPreviewDialog& preview) {
                failing->armed = true;
                if (auto* action = preview.findChild<QAction*>("exportPdf"))
                    action->trigger();
            });
        }
        // Painting fails at once and the preview must close by itself; should
        // it not, this closes it so the test fails instead of waiting.
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
