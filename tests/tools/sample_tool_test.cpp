// `varnel-roster sample` as a process: a roster that looks like a real
// unit's, and the odd records only when asked for.
#include "support/roster_file.h"

#include <QDate>
#include <QProcess>
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
    QSet<QString> ranks;
    int totalled = 0;
    for (const QVariantMap& s : unit) {
        const QString who = s["Name"].toString();
        EXPECT_FALSE(who.trimmed().isEmpty());
        ranks.insert(s["Rank"].toString());
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
    EXPECT_FALSE(ranks.contains("CSA")) << "no Chief of Staff serves in a company";
    EXPECT_GE(ranks.size(), 10);
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

} // namespace
