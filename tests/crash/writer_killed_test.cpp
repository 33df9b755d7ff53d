// A crash in the middle of storing must cost nothing that was acknowledged and must never leave half a record. A writer
// process (roster_writer.cpp) stores changes through the program's own store and acknowledges each one on stdout after
// the command returned; the test kills it with SIGKILL at random moments and, after every kill, reads the file as
// another program would before starting the writer again on the same file. The seed is printed;
// VARNEL_CRASH_SEED=<seed> repeats the choices (where exactly a kill lands still depends on the machine's speed).
#include "store/record_commands.h"
#include "support/roster_file.h"

#include <QDir>
#include <QProcess>
#include <QSet>
#include <QThread>
#include <gtest/gtest.h>
#include <iostream>
#include <random>

namespace varnel::test {
namespace {

constexpr int kKillsPerLayout = 12;
constexpr int kSoldiers = 12;
constexpr int kMostAcksBeforeKill = 20;      // acks read before a kill: 0 to this
constexpr int kMostMicrosecondsAfter = 2000; // then a pause of 0 to this
constexpr int kFinalSteps = 25;              // the last run stops on its own
constexpr int kWaitMs = 60'000;              // for a step that should come at once

// Only whole lines count: a killed writer may leave half of one.
struct Acknowledged {
    QHash<QString, qint64> lastCounter;
    QSet<QString> added;

    void read(const QByteArray& output)
    {
        const QList<QByteArray> lines = output.split('\n');
        for (int i = 0; i + 1 < lines.size(); ++i) {
            const QString line = QString::fromUtf8(lines.at(i));
            const qsizetype space = line.indexOf(u' '), tab = line.lastIndexOf(u'\t');
            bool ok = false;
            const qint64 counter = line.mid(tab + 1).toLongLong(&ok);
            ASSERT_TRUE(ok && space > 0 && tab > space && (line.startsWith("EDIT ") || line.startsWith("ADD ")))
                << "unreadable acknowledgement: " << line.toStdString();
            const QString name = line.mid(space + 1, tab - space - 1);
            if (line.startsWith("ADD "))
                added.insert(name);
            lastCounter[name] = std::max(lastCounter.value(name), counter);
        }
    }
};

qint64 checkRoster(const QString& path, const Acknowledged& acked)
{
    EXPECT_EQ(integrityCheck(path), QStringLiteral("ok"));
    qint64 highest = 0;
    QHash<QString, qint64> stored;
    for (const QVariantMap& row : Connection(path).rows(R"(SELECT Name, "1SGTPoints" a, "SSGTPoints" b FROM Soldier)")) {
        const std::string soldier = row.value("Name").toString().toStdString();
        EXPECT_FALSE(row.value("a").isNull()) << soldier;
        EXPECT_EQ(row.value("a").toLongLong(), row.value("b").toLongLong()) << "half written: " << soldier;
        EXPECT_FALSE(stored.contains(row.value("Name").toString())) << "stored twice: " << soldier;
        stored.insert(row.value("Name").toString(), row.value("a").toLongLong());
        highest = std::max(highest, row.value("a").toLongLong());
    }
    for (const QString& soldier : acked.added)
        EXPECT_TRUE(stored.contains(soldier)) << "acknowledged Add lost: " << soldier.toStdString();
    for (auto it = acked.lastCounter.cbegin(); it != acked.lastCounter.cend(); ++it)
        EXPECT_GE(stored.value(it.key(), -1), it.value()) << "acknowledged change lost: " << it.key().toStdString();
    return highest;
}

class WriterKilled : public ::testing::TestWithParam<TableLayout> {
protected:
    void SetUp() override
    {
        QList<QVariantMap> soldiers;
        for (int i = 1; i <= kSoldiers; ++i)
            soldiers.append({{"Name", QStringLiteral("SOLDIER %1").arg(i, 2, 10, QLatin1Char('0'))},
                             {"1SGTPoints", 0}, {"SSGTPoints", 0}});
        writeRoster(path_, soldiers, GetParam());
    }

    // The writer's stores (its safety copies) must never reach the real home folder.
    void startWriter(QProcess& writer, qint64 firstCounter, std::uint64_t seed, int steps = 0)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* place : {"DATA", "CONFIG", "CACHE"})
            env.insert(QStringLiteral("XDG_%1_HOME").arg(place), homeDir_.filePath(place));
        writer.setProcessEnvironment(env);
        QStringList args{path_, QString::number(firstCounter), QString::number(seed)};
        if (steps > 0)
            args << QString::number(steps);
        writer.start(QStringLiteral(VARNEL_CRASH_WRITER), args);
        ASSERT_TRUE(writer.waitForStarted(kWaitMs)) << writer.errorString().toStdString();
    }

    QTemporaryDir rosterDir_, homeDir_;
    QString path_ = store::rosterPath(rosterDir_.path());
};

TEST_P(WriterKilled, KeepsEveryAcknowledgedChangeWhole)
{
    bool given = false;
    std::uint64_t seed = qEnvironmentVariable("VARNEL_CRASH_SEED").toULongLong(&given);
    if (!given)
        seed = (std::uint64_t(std::random_device()()) << 32) | std::random_device()();
    std::cout << "[ seed     ] VARNEL_CRASH_SEED=" << seed << std::endl;
    std::mt19937_64 random(seed);
    auto uniform = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };

    Acknowledged acked;
    qint64 nextCounter = 1;
    for (int kill = 0; kill < kKillsPerLayout; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill + 1) + ", seed " + std::to_string(seed));
        QProcess writer;
        startWriter(writer, nextCounter, random());
        const int acksBeforeKill = uniform(0, kMostAcksBeforeKill);
        QByteArray output;
        while (output.count('\n') < acksBeforeKill && writer.waitForReadyRead(kWaitMs))
            output += writer.readAllStandardOutput();
        ASSERT_EQ(writer.state(), QProcess::Running) << "stopped by itself: " << writer.readAllStandardError().toStdString();
        QThread::usleep(uniform(0, kMostMicrosecondsAfter));
        writer.kill();
        ASSERT_TRUE(writer.waitForFinished(kWaitMs));
        ASSERT_EQ(writer.exitStatus(), QProcess::CrashExit);
        acked.read(output + writer.readAllStandardOutput());
        nextCounter = checkRoster(path_, acked) + 1;
        if (HasFailure())
            return;
    }

    QProcess writer;
    startWriter(writer, nextCounter, random(), kFinalSteps);
    ASSERT_TRUE(writer.waitForFinished(kWaitMs));
    ASSERT_EQ(writer.exitStatus(), QProcess::NormalExit) << writer.readAllStandardError().toStdString();
    ASSERT_EQ(writer.exitCode(), 0) << writer.readAllStandardError().toStdString();
    const QByteArray output = writer.readAllStandardOutput();
    EXPECT_EQ(output.count('\n'), kFinalSteps);
    acked.read(output);
    checkRoster(path_, acked);
    EXPECT_EQ(QDir(rosterDir_.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
              QStringList{store::kRosterFileName});
}

INSTANTIATE_TEST_SUITE_P(BothLayouts, WriterKilled, kBothLayouts, layoutName);

} // namespace
} // namespace varnel::test
