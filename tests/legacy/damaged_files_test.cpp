// Damaged Access files, the way disks and mail damage them: bytes changed at
// random, a file cut short. Whatever libmdb makes of them (a loop, a crash,
// values it misreads), the import ends, with a whole roster or a numbered
// failure, and leaves nothing behind; this program never goes down with it.
#include "jet_fixture.h"

#include "common/failure.h"
#include "legacy/access_import.h"
#include "legacy/import_failures.h"

#include <QFileInfo>
#include <QMap>
#include <random>

using namespace varnel;
using namespace varnel::legacy;
using namespace varnel::legacy::test;

namespace {

TEST(DamagedAccessFiles, NeverHangOrCrashTheImport)
{
    const QByteArray original = fileBytes(jetFile(kJet4Access2003));
    ASSERT_FALSE(original.isEmpty());
    std::mt19937 random(20261207); // the same damage on every run
    const QSet<int> numbers = {failure::DamagedFile, failure::NoSuchTable, failure::NotAnAccessFile, failure::BadLayout,
                               failure::NoSuchColumn, failure::ReaderStalled, failure::TextTooLong,
                               failure::DateOutOfRange, failure::UnsupportedColumn};
    QMap<QString, int> outcomes;
    ReaderOptions options;
    options.stallLimit = std::chrono::seconds(10);

    for (int copy = 0; copy < 150; ++copy) {
        QByteArray damaged = original;
        // 20 bytes changed anywhere.
        for (int i = 0; i < 20; ++i)
            damaged[std::uniform_int_distribution<qsizetype>(0, damaged.size() - 1)(random)] =
                char(std::uniform_int_distribution<int>(0, 255)(random));
        const QString how = QStringLiteral("20 bytes changed");
        SCOPED_TRACE(QStringLiteral("copy %1, %2").arg(copy).arg(how).toStdString());
        QTemporaryDir dir;
        const QString old = writeFile(dir.filePath("old.mdb"), damaged);
        const QString roster = dir.filePath("Varnel_DATA.MDB");

        QString outcome;
        try {
            const ImportSummary summary = importAccessRoster(old, roster, options);
            // What libmdb read from a damaged page may differ from what was
            // stored; the new roster is still whole and holds no more
            // records than the table declared.
            EXPECT_LE(summary.records, 300);
            EXPECT_EQ(integrityCheck(roster), "ok");
            EXPECT_EQ(folderEntries(dir.path()), (QStringList{"Varnel_DATA.MDB", "old.mdb"}));
            outcome = QStringLiteral("imported");
        } catch (const Failure& failure) {
            EXPECT_TRUE(numbers.contains(failure.number())) << failure.number() << ": " << qPrintable(failure.description());
            EXPECT_TRUE(failure.description().contains(old)) << "names the file: " << qPrintable(failure.description());
            EXPECT_EQ(folderEntries(dir.path()), QStringList{"old.mdb"}) << "nothing written";
            outcome = QString::number(failure.number());
        }
        EXPECT_EQ(fileBytes(old), damaged) << "only read";
        ++outcomes[outcome];
    }
    QStringList summary;
    for (auto it = outcomes.cbegin(); it != outcomes.cend(); ++it)
        summary << QStringLiteral("%1: %2").arg(it.key()).arg(it.value());
    RecordProperty("outcomes", summary.join(QStringLiteral(", ")).toStdString());
    std::printf("[ outcomes ] %s\n", qPrintable(summary.join(QStringLiteral(", "))));
    EXPECT_GT(outcomes.value(QString::number(failure::DamagedFile)), 0);
}

// A file cut short never imports: Access writes whole pages, so a cut in a
// page is refused by the file's size alone (one cut in every page is tried),
// and a cut at a page's end loses records the table's design counts (every
// such cut is tried).
TEST(DamagedAccessFiles, EveryTruncationFailsAndWritesNothing)
{
    const QByteArray original = fileBytes(jetFile(kJet4Access2003));
    constexpr int kPage = 4096;
    ASSERT_EQ(original.size() % kPage, 0);
    QTemporaryDir dir;
    const QString old = dir.filePath("old.mdb");
    const QString roster = dir.filePath("Varnel_DATA.MDB");
    for (qsizetype page = 1; page * kPage < original.size(); ++page) {
        for (const qsizetype size : {page * kPage, page * kPage + 1 + (page * 613) % (kPage - 1)}) {
            SCOPED_TRACE(QStringLiteral("cut to %1 bytes").arg(size).toStdString());
            writeFile(old, original.left(size));
            try {
                const ImportSummary summary = importAccessRoster(old, roster);
                ADD_FAILURE() << "imported " << summary.records << " records";
                QFile::remove(roster);
            } catch (const Failure& failure) {
                EXPECT_EQ(failure.number(), failure::DamagedFile) << qPrintable(failure.description());
                EXPECT_EQ(folderEntries(dir.path()), QStringList{"old.mdb"}) << "nothing written";
            }
        }
    }
}

} // namespace
