#include "support/program_run.h"
#include "support/roster_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <algorithm>

using namespace varnel::test;

namespace {

// A running Varnel, offscreen, `home` the user's, seen through /proc.
class RunningVarnel {
public:
    RunningVarnel(const QStringList& args, const QString& workingDir, const QString& home)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("HOME", home);
        env.insert("XDG_CONFIG_HOME", home + "/.config");
        env.insert("XDG_DATA_HOME", home + "/.local/share");
        process_.setProcessEnvironment(env);
        process_.setWorkingDirectory(workingDir);
        process_.start(VARNEL_PROGRAM, args);
        process_.waitForStarted();
    }
    ~RunningVarnel()
    {
        process_.kill();
        process_.waitForFinished();
    }
    bool runsIn(const QString& folder)
    {
        const QString proc = QStringLiteral("/proc/%1/").arg(process_.processId());
        const QString roster = QFileInfo(folder + "/Varnel_DATA.MDB").canonicalFilePath();
        for (int tries = 0; tries < 200 && process_.state() == QProcess::Running; ++tries, QTest::qWait(50)) {
            const QFileInfoList open = QDir(proc + "fd").entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
            if (QFileInfo(proc + "cwd").symLinkTarget() == QFileInfo(folder).canonicalFilePath()
                && std::any_of(open.begin(), open.end(), [&](const QFileInfo& fd) { return fd.symLinkTarget() == roster; }))
                return true;
        }
        return false;
    }
    bool running() { return !process_.waitForFinished(1500); }
    QString errors() { return QString::fromLocal8Bit(process_.readAllStandardError()); }

private:
    QProcess process_;
};

} // namespace

// Report addresses go only with a roster's; what may hold a password is never shown.
TEST(CommandLine, TerminalOptionsAnswerWithoutADisplayAndMistakesEndWithTwo)
{
    QTemporaryDir dir;
    const QString notARoster = writeFile(dir.filePath("roster.db"), "x");
    const struct {
        const char* program;
        QStringList args;
        int exitCode;
        QStringList out; // each in standard output
        const char* err; // in standard error
        QStringList environment = {}; // NAME=value, as the session gives them
    } cases[] = {
        {VARNEL_PROGRAM, {"--bogus"}, 2, {}, "Unknown option 'bogus'"},
        {VARNEL_PROGRAM, {dir.path(), dir.path()}, 2, {}, "Give one folder"},
        {VARNEL_PROGRAM, {"--user-folder", notARoster}, 2, {}, "is not a roster"},
        {VARNEL_PROGRAM, {"--report-database", "postgresql:///roster?user=reports"}, 2, {}, "--report-database goes with --database"},
        {VARNEL_PROGRAM, {"--database", "postgresql:///roster", "--report-database", "/tmp/Varnel_DATA.MDB"}, 2, {},
         "--report-database is not one libpq reads"},
        {VARNEL_PROGRAM, {"--user-folder"}, 2, {}, "VARNEL_DATABASE is not one libpq reads", {"VARNEL_DATABASE=/tmp/Varnel_DATA.MDB"}},
        {VARNEL_PROGRAM, {"--database", "PASSWORD=secret host=rosterhost"}, 2, {}, "--database is not one libpq reads",
         {"VARNEL_DATABASE=postgresql:///roster"}},
        {VARNEL_ROSTER_TOOL, {"report", "--help"}, 0, {"varnel-roster report LAYOUT PDF", "varnel-roster recover COPY"}, ""},
        {VARNEL_ROSTER_TOOL, {}, 2, {}, "no command given"},
        {VARNEL_ROSTER_TOOL, {"frobnicate"}, 2, {}, "unknown command \"frobnicate\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QFileInfo(c.program).fileName().toStdString() + " " + (c.args + c.environment).join(' ').toStdString());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment(); // a terminal with no display
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "VARNEL_DATABASE", "VARNEL_REPORT_DATABASE"})
            environment.remove(QString::fromLatin1(name));
        for (const QString& setting : c.environment)
            environment.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
        const ProgramRun run = runToEnd(c.program, c.args, 60000, {}, environment);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
        for (const QString& part : c.out)
            EXPECT_TRUE(run.out.contains(part)) << run.out.toStdString();
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.err))) << run.err.toStdString();
        EXPECT_EQ(run.out.isEmpty(), c.out.isEmpty()) << run.out.toStdString();
        EXPECT_FALSE(run.err.contains("secret")) << "what may hold a password is never shown";
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"roster.db"}) << "no roster was made";
}

// A folder, its roster, or the clerk's own folder (made when missing, never its roster).
TEST(CommandLine, TheWindowOpensTheRosterOfTheFolderItIsGiven)
{
    QTemporaryDir home;
    const QString folder = home.filePath("Documents/Varnel");
    {
        RunningVarnel varnel({"--user-folder"}, QDir::rootPath(), home.path());
        EXPECT_TRUE(varnel.running()) << "the message about the missing roster is up: " << varnel.errors().toStdString();
        EXPECT_TRUE(QFileInfo(folder).isDir());
        EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    }
    RosterFile roster;
    ASSERT_TRUE(QFile::copy(roster.path(), folder + "/Varnel_DATA.MDB"));
    const std::pair<QString, QString> cases[] = {{roster.path(), roster.directory()}, {"--user-folder", folder},
                                                 {QDir(home.path()).relativeFilePath(roster.directory()), roster.directory()}};
    for (const auto& [given, opened] : cases) {
        SCOPED_TRACE(given.toStdString());
        RunningVarnel varnel({given}, home.path(), home.path());
        EXPECT_TRUE(varnel.runsIn(opened)) << varnel.errors().toStdString();
    }
}
