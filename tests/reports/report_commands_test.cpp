#include "reports/report_commands.h"
#include "reports/report_control.h"

#include "report_helpers.h"

#include <QDir>
#include <QScopeGuard>

using namespace varnel::reports;
using namespace varnel::reports::test;

namespace {

class RecordingControl : public ReportControl {
public:
    QStringList calls;
    std::function<void()> onFile;

    void setReportFileName(const QString& path) override
    {
        calls << "file:" + path;
        if (onFile)
            onFile();
    }
    void setAction(qint16 value) override { calls << "action:" + QString::number(value); }
    void setOnlyRecord(std::optional<qint64> key) override { calls << "only:" + (key ? QString::number(*key) : "all"); }
    void setDataSource(const QString& location) override { calls << "source:" + location; }
};

} // namespace

// The directory is asked afresh at every command and joined to the file name
// as it stands (the root gives two separators in a row).
TEST(ReportCommands, PassPathOfCurrentDirectoryThenZeroEveryTime)
{
    const std::pair<void (*)(ReportControl&), const char*> commands[] = {
        {&printMeritList, "varnel_list.rpt"}, {&printWorksheets, "varnel_work.rpt"}, {&printNcoesCourse, "varnel_nco.rpt"}};
    const auto restore = qScopeGuard([saved = QDir::currentPath()] { QDir::setCurrent(saved); });
    QTemporaryDir dir;
    RecordingControl control;
    QStringList expected;
    for (const QString& dirPath : {dir.path(), QDir::rootPath()}) {
        const QString here = QDir::toNativeSeparators(QDir(dirPath).canonicalPath());
        QDir::setCurrent(here);
        for (const auto& [run, layout] : commands) {
            run(control);
            expected << "file:" + here + QDir::separator() + layout << QStringLiteral("action:0");
        }
    }
    EXPECT_EQ(control.calls, expected);
}

// A failing step stops the command; one soldier's worksheet is narrowed to him for that report only, however it ends.
TEST(ReportCommands, FailureOfTheControlStopsTheCommandAndEndsTheNarrowing)
{
    RecordingControl control;
    control.onFile = [] { throw varnel::Failure(42, QStringLiteral("refused")); };
    expectFailure([&] { printWorksheets(control); }, 42);
    expectFailure([&] { printWorksheetFor(control, 7); }, 42);
    const QString file = "file:" + QDir::toNativeSeparators(QDir::currentPath()) + QDir::separator() + "varnel_work.rpt";
    EXPECT_EQ(control.calls, QStringList({file, "only:7", file, "only:all"}));
}
