#include "common/failure.h"
#include "reports/report_commands.h"
#include "reports/report_control.h"
#include "reports/report_engine.h"
#include "reports/report_failures.h"
#include "reports/report_presenter.h"
#include "reports/report_progress.h"
#include "test_support.h"

#include <QDir>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

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
    const QString sep = QDir::separator();
    RecordingControl control;
    QStringList expected;
    // Each command twice in one directory, then again in another: the
    // directory is asked afresh every time.
    for (const QTemporaryDir* dir : {&first, &second}) {
        const QString here = QDir::toNativeSeparators(QDir(dir->path()).canonicalPath());
        CurrentDirectory cwd(here);
        for (const Command& command : kCommands) {
            for (int twice = 0; twice < 2; ++twice) {
                command.run(control);
                expected << "file:" + here + sep + command.layout << QStringLiteral("action:0");
            }
        }
    }
    EXPECT_EQ(control.calls, expected);
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

TEST(ReportCommands, FailureOfTheControlStopsTheCommand)
{
    RecordingControl control;
    control.onFile = [] { throw varnel::Failure(42, QStringLiteral("refused")); };
    const auto failure = failureOf([&] { printWorksheets(control); });
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->number(), 42);
    ASSERT_EQ(control.calls.size(), 1);  // no run request after the failing step
    EXPECT_TRUE(control.calls[0].startsWith(QStringLiteral("file:")));
}

TEST(ReportCommands, MissingLayoutGivesTheEngineFailureAndNothingElse)
{
    QTemporaryDir dir;
    CurrentDirectory cwd(dir.path());
    for (const Command& command : kCommands) {
        SCOPED_TRACE(command.name);
        QStringList presented;
        ReportEngine engine(std::make_unique<RecordingPresenter>(presented), std::make_unique<SilentProgress>());
        const auto failure = failureOf([&] { command.run(engine); });
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->number(), failure::LayoutUnreadable);
        EXPECT_TRUE(failure->description().contains(engine.reportFileName())) << failure->what();
        EXPECT_TRUE(engine.reportFileName().endsWith(QString::fromLatin1(command.layout)));
        EXPECT_TRUE(presented.isEmpty());
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
    }
}
