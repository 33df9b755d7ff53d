// `varnel-roster sample` as a process: a roster that looks like a real
// unit's, and the odd records only when asked for.
#include "support/roster_file.h"

#include <QDate>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace varnel::test;

namespace {

QList<QVariantMap> sample(const QTemporaryDir& dir, const QString& name, const QStringList& extra)
{
    const QString path = dir.filePath(name);
    QProcess tool;
    tool.start(QStringLiteral(VARNEL_ROSTER_TOOL), QStringList{"sample", path, "--count", "300", "--seed", "7"} + extra);
    EXPECT_TRUE(tool.waitForFinished(60000));
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    return Connection(path).rows("SELECT * FROM Soldier");
}

TEST(SampleRoster, LooksLikeAUnitAndHasOddRecordsOnlyWhenAskedFor)
{
    QTemporaryDir dir;
    const QList<QVariantMap> unit = sample(dir, "unit.MDB", {});
    ASSERT_EQ(unit.size(), 300);
    const QDate today = QDate::currentDate();
    QMap<QString, int> ranks;
    QSet<QString> names;
    const QStringList months = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    int totalled = 0;
    for (const QVariantMap& s : unit) {
        const QString who = s["Name"].toString();
        EXPECT_FALSE(who.trimmed().isEmpty());
        ++ranks[s["Rank"].toString()];
        names.insert(who);
        const QStringList asked = s["PrefDates"].toString().split(QRegularExpression("[- ]"));
        EXPECT_TRUE(asked.size() == 3 && months.indexOf(asked[0]) >= 0 && months.indexOf(asked[0]) <= months.indexOf(asked[1]))
            << "the months asked for run forward: " << qPrintable(s["PrefDates"].toString());
        EXPECT_TRUE(QStringLiteral("ABCDEFGHIJ").contains(s["APFT"].toString()) && s["APFT"].toString().size() == 1) << qPrintable(who);
        EXPECT_TRUE(QStringList({"E", "S", "M"}).contains(s["Weapon"].toString())) << qPrintable(who);
        const QDate tis = QDate::fromString(s["TISDate"].toString(), Qt::ISODate);
        const QDate dor = QDate::fromString(s["DORDate"].toString(), Qt::ISODate);
        EXPECT_TRUE(tis.isValid() && dor.isValid() && tis <= dor && dor <= today) << qPrintable(who);
        EXPECT_FALSE(s["1SGTPoints"].isNull() || s["SSGTPoints"].isNull()) << qPrintable(who);
        if (!s["TOTAL"].isNull()) {
            ++totalled;
            int sum = 0;
            for (const char* c : {"TISPoints", "TIGPoints", "APFTPoints", "WeaponPoints", "AwardPoints", "1SGTPoints", "SSGTPoints"})
                sum += s[c].toInt();
            EXPECT_EQ(s["TOTAL"].toInt(), sum) << qPrintable(who);
        }
    }
    EXPECT_EQ(names.size(), unit.size()) << "no two soldiers of a company share a name";
    EXPECT_EQ(ranks.value("1SG"), 2) << "one first sergeant to a company of 150";
    EXPECT_FALSE(ranks.contains("CSM") || ranks.contains("CSA")) << "no sergeant major nor Chief of Staff in two companies";
    EXPECT_LT(ranks.value("SFC") + ranks.value("MSG"), 30) << "a handful of senior NCOs";
    EXPECT_GT(ranks.value("SPC"), ranks.value("SSG"));
    EXPECT_GT(totalled, 240);

    const QList<QVariantMap> odd = sample(dir, "odd.MDB", {"--edge-cases"});
    int unnamed = 0, strayCodes = 0;
    for (const QVariantMap& s : odd) {
        unnamed += s["Name"].isNull();
        strayCodes += !QStringLiteral("ABCDEFGHIJ").contains(s["APFT"].toString()) || s["APFT"].isNull();
    }
    EXPECT_GT(unnamed, 0);
    EXPECT_GT(strayCodes, 0);
    EXPECT_EQ(filesBeside(dir.filePath("unit.MDB")), QStringList{"odd.MDB"}) << "no temporary file left";
}

// A run killed while it writes leaves its temporary file; the next run for
// that name clears it once it is some minutes old, and nothing else. Names
// that are not files are refused.
TEST(SampleRoster, ANewRosterClearsWhatAKilledRunLeftAndNamesOnlyAFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("unit.MDB");
    QProcess killed;
    killed.start(QStringLiteral(VARNEL_ROSTER_TOOL), {"sample", path, "--count", "2000000"});
    ASSERT_TRUE(killed.waitForStarted());
    QStringList left;
    for (int i = 0; i < 200 && left.isEmpty(); ++i) {
        QThread::msleep(10);
        left = filesBeside(path);
    }
    killed.kill();
    killed.waitForFinished();
    left = filesBeside(path);
    ASSERT_FALSE(left.isEmpty()) << "the killed run left its temporary file";
    const auto makeOld = [](const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadWrite) && f.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime);
    };
    for (const QString& name : left)
        ASSERT_TRUE(makeOld(dir.filePath(name)));
    writeFile(path + ".new-0123abcd", "a run still writing");
    ASSERT_TRUE(makeOld(writeFile(path + ".new-notours", "somebody else's")));

    QProcess tool;
    tool.start(QStringLiteral(VARNEL_ROSTER_TOOL), {"create", path});
    ASSERT_TRUE(tool.waitForFinished(60000));
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    EXPECT_EQ(filesBeside(path), QStringList({"unit.MDB.new-0123abcd", "unit.MDB.new-notours"}));

    ASSERT_EQ(runProgram("mkfifo", {dir.filePath("pipe")}), 0);
    for (const QString& name : {QStringLiteral(":memory:"), dir.path() + "/", dir.filePath("pipe")}) {
        tool.start(QStringLiteral(VARNEL_ROSTER_TOOL), {"create", name});
        ASSERT_TRUE(tool.waitForFinished(60000));
        EXPECT_TRUE(tool.readAllStandardError().contains("error 22")) << qPrintable(name);
    }
    EXPECT_EQ(filesBeside(path).size(), 3) << "nothing made for them";
}

} // namespace
