#include "reports/report_commands.h"
#include "reports/report_control.h"

#include "report_helpers.h"

#include <QDir>

using namespace varnel::reports;
using namespace varnel::reports::test;

namespace {

// Records every request in order, as "file:<path>" and "action:<value>".
class RecordingControl : public ReportControl {
public:
    QStringList calls;
    std::function<void()> onFile;

    void setReportFileName(const QString& path) override
    {
        calls << QStringLiteral("file:") + path;
        if (onFile)
            onFile();
    }
    void setAction(qint16 value) override { calls << QStringLiteral("action:%1").arg(value); }
    void setOnlyRecord(std::optional<qint64> key) override
    {
        calls << (key ? QStringLiteral("only:%1").arg(*key) : QStringLiteral("only:all"));
    }
    void setDataSource(const QString& location) override { calls << QStringLiteral("source:") + location; }
};

// Restores the working directory however the test ends.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const QString& dir) : saved_(QDir::currentPath()) { QDir::setCurrent(dir); }
    ~CurrentDirectory() { QDir::setCurrent(saved_); }

private:
    QString saved_;
};

struct Command {
    const char* name;
    void (*run)(ReportControl&);
    const char* layout;
};

const Command kCommands[] = {
    {"MNU_MERIT", &printMeritList, "varnel_list.rpt"},
    {"MNU_WORKSHEETS", &printWorksheets, "varnel_work.rpt"},
    {"MNU_NCOES", &printNcoesCourse, "varnel_nco.rpt"},
};

} // namespace

TEST(ReportCommands, PassPathOfCurrentDirectoryThenZeroEveryTime)
{
    QTemporaryDir first, second;
    RecordingControl control;
    QStringList expected;
    // Each command twice in one directory, then again in others: the
    // directory is asked afresh every time, and its path is joined to the
    // file name as it stands (the root gives two separators in a row).
    for (const QString& dir : {first.path(), second.path(), QDir::rootPath()}) {
        const QString here = QDir::toNativeSeparators(QDir(dir).canonicalPath());
        CurrentDirectory cwd(here);
        for (const Command& command : kCommands) {
            for (int twice = 0; twice < 2; ++twice) {
                command.run(control);
                expected << "file:" + here + QDir::separator() + command.layout << QStringLiteral("action:0");
            }
        }
    }
    EXPECT_EQ(control.calls, expected);
    EXPECT_TRUE(control.calls.contains("file:" + QString(2, QDir::separator()) + "varnel_nco.rpt"));
}

TEST(ReportCommands, FailureOfTheControlStopsTheCommand)
{
    RecordingControl control;
    control.onFile = [] { throw varnel::Failure(42, QStringLiteral("refused")); };
    expectFailure([&] { printWorksheets(control); }, 42);
    ASSERT_EQ(control.calls.size(), 1);  // no run request after the failing step
    EXPECT_TRUE(control.calls[0].startsWith(QStringLiteral("file:")));
}
