#include "support/roster_file.h"
#include "tool_run.h"

#include <QFile>
#include <QProcess>
#include <QThread>

using namespace varnel::test;

namespace {

TEST(SampleRoster, LooksLikeAUnitAndHasOddRecordsOnlyWhenAskedFor)
{
    QTemporaryDir dir;
    for (const bool odd : {false, true}) {
        SCOPED_TRACE(odd);
        const QString path = dir.filePath(odd ? "odd.MDB" : "unit.MDB");
        const ToolRun run = runTool({"sample", path, "--count", "300", "--seed", "7", odd ? "--edge-cases" : "--"});
        ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err);
        const QList<QVariantMap> unit = Connection(path).rows("SELECT * FROM Soldier");
        ASSERT_EQ(unit.size(), 300);
        QSet<QString> names;
        int unnamed = 0, strayCodes = 0;
        for (const QVariantMap& s : unit) {
            names.insert(s["Name"].toString());
            unnamed += s["Name"].toString().trimmed().isEmpty();
            strayCodes += !QStringLiteral("ABCDEFGHIJ").contains(s["APFT"].toString()) || s["APFT"].toString().size() != 1
                          || !QStringList({"E", "S", "M"}).contains(s["Weapon"].toString());
        }
        EXPECT_EQ(unnamed > 0, odd);
        EXPECT_EQ(strayCodes > 0, odd);
        EXPECT_TRUE(odd || names.size() == unit.size()) << "no two soldiers of a company share a name";
    }
    EXPECT_EQ(filesBeside(dir.filePath("unit.MDB")), QStringList{"odd.MDB"}) << "no temporary file left";
}

// A killed run's temporary file is cleared by the next run only once some minutes old.
TEST(SampleRoster, ANewRosterClearsWhatAKilledRunLeftAndNamesOnlyAFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("unit.MDB");
    QProcess killed;
    killed.start(QStringLiteral(VARNEL_ROSTER_TOOL), {"sample", path, "--count", "2000000"});
    ASSERT_TRUE(killed.waitForStarted());
    for (int i = 0; i < 200 && filesBeside(path).isEmpty(); ++i)
        QThread::msleep(10);
    killed.kill();
    killed.waitForFinished();
    const QStringList left = filesBeside(path);
    ASSERT_FALSE(left.isEmpty()) << "the killed run left its temporary file";
    const auto makeOld = [](const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadWrite) && f.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime);
    };
    for (const QString& name : left)
        ASSERT_TRUE(makeOld(dir.filePath(name)));
    writeFile(path + ".new-0123abcd", "a run still writing");
    ASSERT_TRUE(makeOld(writeFile(path + ".new-notours", "somebody else's")));

    EXPECT_EQ(runTool({"create", path}).exitCode, 0);
    EXPECT_EQ(filesBeside(path), QStringList({"unit.MDB.new-0123abcd", "unit.MDB.new-notours"}));

    ASSERT_EQ(runProgram("mkfifo", {dir.filePath("pipe")}), 0);
    for (const QString& name : {QStringLiteral(":memory:"), dir.path() + "/", dir.filePath("pipe")})
        EXPECT_TRUE(runTool({"create", name}).err.contains("error 22")) << qPrintable(name);
    EXPECT_EQ(filesBeside(path).size(), 3) << "nothing made for them";
}

} // namespace
