// A crash in the middle of storing must cost nothing that was acknowledged
// and must never leave half a record. A writer process (roster_writer.cpp)
// stores changes through the program's own store and acknowledges each one
// on stdout after the command returned; the test kills it with SIGKILL at
// random moments and, after every kill, reads the file as another program
// would before starting the writer again on the same file.
//
// The kills follow a seeded random sequence; the seed is printed, and
// VARNEL_CRASH_SEED=<seed> repeats its choices (how many acknowledgements
// before each kill, the pause, the writers' seeds). Where exactly a kill
// lands still depends on the machine's speed.
#include "store/data_control.h"
#include "store/record_commands.h"
#include "store/record_layout.h"
#include "support/roster_file.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <iostream>
#include <random>

namespace varnel::test {
namespace {

constexpr int kKillsPerLayout = 12;
constexpr int kSoldiers = 12;
constexpr int kMostAcksBeforeKill = 20;   // acks read before a kill: 0 to this
constexpr int kMostMicrosecondsAfter = 2000; // then a pause of 0 to this
constexpr int kFinalSteps = 25;             // the last run stops on its own
constexpr int kWaitMs = 60'000;             // for a step that should come at once

const QString kFirst = QStringLiteral("1SGTPoints");
const QString kSecond = QStringLiteral("SSGTPoints");

std::uint64_t seedForThisRun()
{
    bool ok = false;
    const std::uint64_t given = qEnvironmentVariable("VARNEL_CRASH_SEED").toULongLong(&ok);
    if (ok)
        return given;
    std::random_device device;
    return (std::uint64_t(device()) << 32) | device();
}

// What the writers acknowledged: the last counter per record name, and the
// names of the records they added.
struct Acknowledged {
    QHash<QString, qint64> lastCounter;
    QSet<QString> added;
    int lines = 0;

    void read(const QByteArray& output)
    {
        // Only whole lines count; the writer writes each in one call, after
        // the command returned.
        const QList<QByteArray> parts = output.split('\n');
        for (int i = 0; i + 1 < parts.size(); ++i)
            take(QString::fromUtf8(parts.at(i)));
    }

private:
    void take(const QString& line)
    {
        const qsizetype space = line.indexOf(u' ');
        const qsizetype tab = line.lastIndexOf(u'\t');
        ASSERT_TRUE(space > 0 && tab > space) << "unreadable acknowledgement: " << line.toStdString();
        const QString what = line.left(space);
        const QString name = line.mid(space + 1, tab - space - 1);
        bool ok = false;
        const qint64 counter = line.mid(tab + 1).toLongLong(&ok);
        ASSERT_TRUE(ok && (what == u"EDIT" || what == u"ADD")) << "unreadable acknowledgement: " << line.toStdString();
        if (what == u"ADD")
            added.insert(name);
        qint64& last = lastCounter[name];
        last = std::max(last, counter);
        ++this->lines;
    }
};

// The roster as another program finds it after the crash: checked whole,
// every acknowledged change in it, no record half written. Returns the
// highest counter stored.
qint64 checkRoster(const QString& path, const Acknowledged& acked)
{
    EXPECT_EQ(integrityCheck(path), QStringLiteral("ok"));
    qint64 highest = 0;
    QHash<QString, qint64> stored;
    const QString sql = QStringLiteral(R"(SELECT Name, "%1" AS a, "%2" AS b FROM Soldier)").arg(kFirst, kSecond);
    for (const QVariantMap& row : Connection(path).rows(sql)) {
        const QString soldier = row.value(QStringLiteral("Name")).toString();
        const QVariant a = row.value(QStringLiteral("a")), b = row.value(QStringLiteral("b"));
        EXPECT_FALSE(a.isNull()) << soldier.toStdString();
        EXPECT_EQ(a.toLongLong(), b.toLongLong()) << "half written: " << soldier.toStdString();
        EXPECT_FALSE(stored.contains(soldier)) << "stored twice: " << soldier.toStdString();
        stored.insert(soldier, a.toLongLong());
        highest = std::max(highest, a.toLongLong());
    }
    for (const QString& soldier : acked.added)
        EXPECT_TRUE(stored.contains(soldier)) << "acknowledged Add lost: " << soldier.toStdString();
    for (auto it = acked.lastCounter.cbegin(); it != acked.lastCounter.cend(); ++it) {
        EXPECT_TRUE(stored.contains(it.key())) << "record lost: " << it.key().toStdString();
        EXPECT_GE(stored.value(it.key(), -1), it.value()) << "acknowledged change lost: " << it.key().toStdString();
    }
    return highest;
}

class WriterKilled : public ::testing::TestWithParam<TableLayout> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(rosterDir_.isValid() && homeDir_.isValid());
        path_ = store::rosterPath(rosterDir_.path());
        QList<QVariantMap> soldiers;
        for (int i = 1; i <= kSoldiers; ++i)
            soldiers.append({{QStringLiteral("Name"), QStringLiteral("SOLDIER %1").arg(i, 2, 10, QLatin1Char('0'))},
                             {kFirst, 0},
                             {kSecond, 0}});
        writeRoster(path_, soldiers, GetParam());
    }

    // The writer's stores must never reach the real home folder.
    void startWriter(QProcess& writer, qint64 firstCounter, std::uint64_t seed, int steps = 0)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), homeDir_.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), homeDir_.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), homeDir_.filePath(QStringLiteral("cache")));
        writer.setProcessEnvironment(env);
        QStringList args{path_, QString::number(firstCounter), QString::number(seed)};
        if (steps > 0)
            args << QString::number(steps);
        writer.start(QStringLiteral(VARNEL_CRASH_WRITER), args);
        ASSERT_TRUE(writer.waitForStarted(kWaitMs)) << writer.errorString().toStdString();
    }

    QTemporaryDir rosterDir_;
    QTemporaryDir homeDir_;
    QString path_;
};

TEST_P(WriterKilled, KeepsEveryAcknowledgedChangeWhole)
{
    const std::uint64_t seed = seedForThisRun();
    std::cout << "[ seed     ] VARNEL_CRASH_SEED=" << seed << std::endl;
    RecordProperty("seed", std::to_string(seed));
    std::mt19937_64 random(seed);
    auto uniform = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };

    Acknowledged acked;
    qint64 nextCounter = 1;
    int killedBeforeFirstAck = 0;
    int killedWithJournal = 0; // the kill left a journal or log: it struck mid-write
    for (int kill = 0; kill < kKillsPerLayout; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill + 1) + ", seed " + std::to_string(seed));
        QProcess writer;
        startWriter(writer, nextCounter, random());

        // Kill after a random number of acknowledgements and a random pause:
        // the writer is by then somewhere in its next steps.
        const int acksBeforeKill = uniform(0, kMostAcksBeforeKill);
        QByteArray output;
        while (output.count('\n') < acksBeforeKill) {
            if (!writer.waitForReadyRead(kWaitMs))
                break;
            output += writer.readAllStandardOutput();
        }
        ASSERT_EQ(writer.state(), QProcess::Running)
            << "the writer stopped by itself: " << writer.readAllStandardError().toStdString();
        QThread::usleep(uniform(0, kMostMicrosecondsAfter));
        writer.kill();
        ASSERT_TRUE(writer.waitForFinished(kWaitMs));
        ASSERT_EQ(writer.exitStatus(), QProcess::CrashExit);
        output += writer.readAllStandardOutput();
        if (output.count('\n') == 0)
            ++killedBeforeFirstAck;

        if (QFile::exists(path_ + QStringLiteral("-journal")) || QFile::exists(path_ + QStringLiteral("-wal")))
            ++killedWithJournal;

        acked.read(output);
        const qint64 highest = checkRoster(path_, acked);
        if (HasFailure())
            return;
        nextCounter = highest + 1;
    }

    // A last writer stops by itself and closes the roster as the program
    // does on exit; then nothing but the roster is left in its folder.
    {
        QProcess writer;
        startWriter(writer, nextCounter, random(), kFinalSteps);
        ASSERT_TRUE(writer.waitForFinished(kWaitMs));
        const QByteArray errors = writer.readAllStandardError();
        ASSERT_EQ(writer.exitStatus(), QProcess::NormalExit) << errors.toStdString();
        ASSERT_EQ(writer.exitCode(), 0) << errors.toStdString();
        const QByteArray output = writer.readAllStandardOutput();
        EXPECT_EQ(output.count('\n'), kFinalSteps);
        acked.read(output);
    }
    checkRoster(path_, acked);
    {
        // And the program's own open and close in this process.
        store::DataControl data1;
        data1.setDatabaseName(path_);
        data1.setRecordSource(store::kRosterQuery);
        data1.refresh();
        EXPECT_GE(data1.recordset().recordCount(), kSoldiers + acked.added.size());
    }
    EXPECT_EQ(QDir(rosterDir_.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
              QStringList{store::kRosterFileName});

    std::cout << "[ figures  ] " << kKillsPerLayout << " kills (" << killedBeforeFirstAck
              << " before the first acknowledgement, " << killedWithJournal << " leaving a journal), " << acked.lines << " acknowledgements, "
              << acked.lastCounter.size() << " records and " << acked.added.size() << " added records checked"
              << std::endl;
}

INSTANTIATE_TEST_SUITE_P(BothLayouts, WriterKilled, kBothLayouts, layoutName);

} // namespace
} // namespace varnel::test
