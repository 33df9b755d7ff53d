// Where a report's PDF may go: never over the roster or the layout, over
// another file only when allowed, and in place only once it is whole.
#include "reports/report_engine.h"
#include "reports/report_failures.h"
#include "reports/report_pdf.h"
#include "reports/report_progress.h"

#include "report_helpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace varnel::reports;
using namespace varnel::reports::test;

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
        expectFailure([&] { writeReportPdf(folder.layout, disk.path() + u'/' + name); }, failure::OutputFailed, {name});
        EXPECT_EQ(QDir(disk.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
                  (QStringList{"filler", "kept.pdf"}));
        EXPECT_EQ(fileBytes(kept), kKeep);
    }
}
