// varnel and varnel-roster started as a terminal, a file manager or the
// desktop menu starts them: what they print, how they end, and where the
// window opens its roster. The terminal options need no display, so those
// runs have none.
#include "support/program_run.h"
#include "support/roster_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/types.h>

using namespace varnel::test;

namespace {

// The environment of a terminal with no display at all.
QProcessEnvironment withoutDisplay()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "VARNEL_DATABASE", "VARNEL_REPORT_DATABASE"})
        env.remove(QString::fromLatin1(name));
    return env;
}

ProgramRun runWithoutDisplay(const QString& program, const QStringList& args)
{
    return runToEnd(program, args, 60000, {}, withoutDisplay());
}

// The window of a running Varnel, offscreen, observed from outside through
// /proc: the folder it runs in and the files it holds open.
class RunningVarnel {
public:
    RunningVarnel(const QStringList& args, const QString& workingDir, const QString& home = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        if (!home.isEmpty()) {
            env.insert("HOME", home);
            env.insert("XDG_CONFIG_HOME", home + "/.config");
            env.insert("XDG_DATA_HOME", home + "/.local/share");
        }
        process_.setProcessEnvironment(env);
        process_.setWorkingDirectory(workingDir);
        process_.start(VARNEL_PROGRAM, args);
        process_.waitForStarted();
    }
    ~RunningVarnel()
    {
        if (process_.state() != QProcess::NotRunning) {
            ::kill(pid_t(process_.processId()), SIGTERM);
            if (!process_.waitForFinished(10000))
                process_.kill();
            process_.waitForFinished();
        }
    }
    // True once the process runs in `folder` with `file` open, or never
    // within the wait.
    bool runsInWithOpen(const QString& folder, const QString& file)
    {
        const QString proc = QStringLiteral("/proc/%1").arg(process_.processId());
        const QString wantedDir = QFileInfo(folder).canonicalFilePath();
        const QString wantedFile = QFileInfo(file).canonicalFilePath();
        for (int tries = 0; tries < 200 && process_.state() == QProcess::Running; ++tries) {
            if (QFileInfo(proc + "/cwd").symLinkTarget() == wantedDir) {
                for (const QFileInfo& fd : QDir(proc + "/fd").entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
                    if (fd.symLinkTarget() == wantedFile)
                        return true;
            }
            QTest::qWait(50);
        }
        return false;
    }
    bool running() { return !process_.waitForFinished(1500); }
    QString errors() { return QString::fromLocal8Bit(process_.readAllStandardError()); }

private:
    QProcess process_;
};

} // namespace

TEST(CommandLine, TerminalOptionsAnswerWithoutADisplayAndMistakesEndWithTwo)
{
    QTemporaryDir dir;
    const QString notARoster = writeFile(dir.filePath("roster.db"), "x");
    const struct {
        const char* program;
        QStringList args;
        int exitCode;
        const char* out;  // in standard output
        const char* err;  // in standard error
    } cases[] = {
        {VARNEL_PROGRAM, {"--help"}, 0, "--user-folder", ""},
        {VARNEL_PROGRAM, {"-h"}, 0, "varnel-roster create", ""},
        {VARNEL_PROGRAM, {"--version"}, 0, "varnel " VARNEL_VERSION_TEXT "\n", ""},
        {VARNEL_PROGRAM, {"-v"}, 0, "varnel " VARNEL_VERSION_TEXT "\n", ""},
        {VARNEL_PROGRAM, {"--bogus"}, 2, "", "Unknown option 'bogus'"},
        {VARNEL_PROGRAM, {"/nonexistent/roster"}, 2, "", "/nonexistent/roster does not exist"},
        {VARNEL_PROGRAM, {notARoster}, 2, "", "is not a roster"},
        {VARNEL_PROGRAM, {dir.path(), dir.path()}, 2, "", "Give one folder"},
        // A file the file manager hands over with the menu's option.
        {VARNEL_PROGRAM, {"--user-folder", notARoster}, 2, "", "is not a roster"},
        {VARNEL_ROSTER_TOOL, {"--version"}, 0, "varnel-roster " VARNEL_VERSION_TEXT "\n", ""},
        {VARNEL_ROSTER_TOOL, {"--help"}, 0, "varnel-roster recover COPY ROSTER NAME", ""},
        {VARNEL_ROSTER_TOOL, {"report", "--help"}, 0, "varnel-roster report LAYOUT PDF", ""},
        {VARNEL_ROSTER_TOOL, {"--bogus", "create", "x"}, 2, "", "Unknown option 'bogus'"},
        {VARNEL_ROSTER_TOOL, {}, 2, "", "no command given"},
        {VARNEL_ROSTER_TOOL, {"create"}, 2, "", "create takes one FILE"},
        {VARNEL_ROSTER_TOOL, {"sample", dir.filePath("s.mdb")}, 2, "", "sample needs FILE and --count N"},
        {VARNEL_ROSTER_TOOL, {"frobnicate"}, 2, "", "unknown command \"frobnicate\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QFileInfo(c.program).fileName().toStdString() + " " + c.args.join(' ').toStdString());
        const ProgramRun run = runWithoutDisplay(c.program, c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
        EXPECT_TRUE(run.out.contains(QString::fromUtf8(c.out))) << run.out.toStdString();
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.err))) << run.err.toStdString();
        if (c.exitCode == 2) {
            EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
        }
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"roster.db"}) << "no roster was made";
}

TEST(CommandLine, VarnelStartsInTheFolderItIsGiven)
{
    RosterFile roster;
    roster.insertNames({"ADAMS"});
    QTemporaryDir elsewhere;
    const struct {
        const char* name;
        QStringList args;
    } cases[] = {
        {"the folder", {roster.directory()}},
        {"the roster file", {roster.path()}},
        {"the folder, relative", {QDir(elsewhere.path()).relativeFilePath(roster.directory())}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RunningVarnel varnel(c.args, elsewhere.path());
        EXPECT_TRUE(varnel.runsInWithOpen(roster.directory(), roster.path())) << varnel.errors().toStdString();
    }
}

// The desktop menu starts Varnel in the clerk's own roster folder, made when
// missing; the roster file itself is never made, the window says how.
TEST(CommandLine, UserFolderIsMadeButNeverTheRoster)
{
    QTemporaryDir home;
    const QString folder = home.filePath("Documents/Varnel");
    {
        RunningVarnel varnel({"--user-folder"}, QDir::rootPath(), home.path());
        EXPECT_TRUE(varnel.running()) << "the message about the missing roster is up: " << varnel.errors().toStdString();
        EXPECT_TRUE(QFileInfo(folder).isDir());
        EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    }
    // With a roster there, that is the one opened.
    RosterFile roster;
    ASSERT_TRUE(QFile::copy(roster.path(), folder + "/Varnel_DATA.MDB"));
    RunningVarnel varnel({"--user-folder"}, QDir::rootPath(), home.path());
    EXPECT_TRUE(varnel.runsInWithOpen(folder, folder + "/Varnel_DATA.MDB")) << varnel.errors().toStdString();
}

// Where the reports of a server roster read it is given beside the roster's
// own address, and only there.
TEST(CommandLine, AReportAddressGoesWithAServerRosterOnly)
{
    const struct {
        QStringList args;
        QStringList environment; // NAME=value, as the session gives them
        int exitCode;
        const char* out;
        const char* err;
    } cases[] = {
        {{"--help"}, {}, 0, "--report-database", ""},
        {{"--help"}, {}, 0, "VARNEL_DATABASE", ""},
        {{"--report-database", "postgresql:///roster?user=reports"}, {}, 2, "", "--report-database goes with --database"},
        {{"--database", "postgresql:///roster", "--report-database", "/tmp/Varnel_DATA.MDB"}, {}, 2, "",
         "--report-database is not one libpq reads"},
        {{"--user-folder"}, {"VARNEL_DATABASE=/tmp/Varnel_DATA.MDB"}, 2, "", "VARNEL_DATABASE is not one libpq reads"},
        {{"--database", "PASSWORD=secret host=rosterhost"}, {}, 2, "", "--database is not one libpq reads"},
        {{"--user-folder"}, {"VARNEL_REPORT_DATABASE=postgresql:///roster?user=reports"}, 2, "",
         "--report-database goes with --database"},
        {{"--database", "/tmp/x"}, {"VARNEL_DATABASE=postgresql:///roster"}, 2, "", "--database is not one libpq reads"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((c.args + c.environment).join(' ').toStdString());
        QProcessEnvironment environment = withoutDisplay();
        for (const QString& setting : c.environment)
            environment.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
        const ProgramRun run = runToEnd(VARNEL_PROGRAM, c.args, 60000, {}, environment);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
        EXPECT_TRUE(run.out.contains(QString::fromUtf8(c.out))) << run.out.toStdString();
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.err))) << run.err.toStdString();
        EXPECT_FALSE(run.err.contains("secret")) << "what may hold a password is never shown";
    }
}
