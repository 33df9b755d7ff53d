#include "common/failure.h"
#include "reports/report_commands.h"
#include "reports/report_control.h"
#include "reports/report_engine.h"
#include "reports/report_failures.h"
#include "reports/report_presenter.h"
#include "reports/report_progress.h"

#include <QDir>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace varnel::reports;

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
};

class CountingPresenter : public ReportPresenter {
public:
    explicit CountingPresenter(int& count) : count_(count) {}
    void present(const ReportRenderer&, ReportProgress&) override { ++count_; }

private:
    int& count_;
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

TEST(ReportCommands, PassPathOfCurrentDirectoryThenZero)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString here = QDir::toNativeSeparators(QDir(dir.path()).canonicalPath());
    for (const Command& command : kCommands) {
        SCOPED_TRACE(command.name);
        CurrentDirectory cwd(here);
        RecordingControl control;
        command.run(control);
        EXPECT_EQ(control.calls, (QStringList{QStringLiteral("file:") + here + QDir::separator() + command.layout,
                                              QStringLiteral("action:0")}));
    }
}

TEST(ReportCommands, RootDirectoryGivesTwoSeparatorsInARow)
{
    const QString root = QDir::toNativeSeparators(QDir::rootPath());
    for (const Command& command : kCommands) {
        SCOPED_TRACE(command.name);
        CurrentDirectory cwd(QDir::rootPath());
        RecordingControl control;
        command.run(control);
        const QString doubled = root + QDir::separator() + QString::fromLatin1(command.layout);
        ASSERT_EQ(control.calls.size(), 2);
        EXPECT_EQ(control.calls[0], QStringLiteral("file:") + doubled);
        EXPECT_TRUE(control.calls[0].contains(QString(2, QDir::separator()))) << control.calls[0].toStdString();
        EXPECT_EQ(control.calls[1], QStringLiteral("action:0"));
    }
}

TEST(ReportCommands, AskTheCurrentDirectoryAfreshAndRepeat)
{
    QTemporaryDir first, second;
    const QString a = QDir::toNativeSeparators(QDir(first.path()).canonicalPath());
    const QString b = QDir::toNativeSeparators(QDir(second.path()).canonicalPath());
    RecordingControl control;
    {
        CurrentDirectory cwd(a);
        printMeritList(control);
        printMeritList(control);
    }
    {
        CurrentDirectory cwd(b);
        printNcoesCourse(control);
    }
    const QString sep = QDir::separator();
    EXPECT_EQ(control.calls, (QStringList{"file:" + a + sep + "varnel_list.rpt", "action:0",
                                          "file:" + a + sep + "varnel_list.rpt", "action:0",
                                          "file:" + b + sep + "varnel_nco.rpt", "action:0"}));
}

TEST(ReportCommands, FailureOfTheControlStopsTheCommand)
{
    RecordingControl control;
    control.onFile = [] { throw varnel::Failure(42, QStringLiteral("refused")); };
    try {
        printWorksheets(control);
        FAIL() << "the failure did not propagate";
    } catch (const varnel::Failure& failure) {
        EXPECT_EQ(failure.number(), 42);
    }
    ASSERT_EQ(control.calls.size(), 1);  // no run request after the failing step
    EXPECT_TRUE(control.calls[0].startsWith(QStringLiteral("file:")));
}

TEST(ReportCommands, MissingLayoutGivesTheEngineFailureAndNothingElse)
{
    QTemporaryDir dir;
    CurrentDirectory cwd(dir.path());
    for (const Command& command : kCommands) {
        SCOPED_TRACE(command.name);
        int presented = 0;
        ReportEngine engine(std::make_unique<CountingPresenter>(presented), std::make_unique<SilentProgress>());
        try {
            command.run(engine);
            FAIL() << "no failure";
        } catch (const varnel::Failure& failure) {
            EXPECT_EQ(failure.number(), failure::LayoutUnreadable);
            EXPECT_TRUE(failure.description().contains(engine.reportFileName())) << failure.what();
            EXPECT_TRUE(failure.description().contains(QString::fromLatin1(command.layout))) << failure.what();
        }
        EXPECT_EQ(presented, 0);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
    }
}
