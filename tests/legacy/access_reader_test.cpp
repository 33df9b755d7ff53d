// The Access reader as the import runs it, a process of its own: Jet 3's
// tables and types against mdb-export, Jet 3 text as Windows-1252, and the
// watchdog around a reader that hangs, crashes or talks nonsense.
#include "jet_fixture.h"

#include "common/failure.h"
#include "legacy/import_failures.h"

#include <QFile>
#include <QSet>
#include <csignal>

using namespace varnel;
using namespace varnel::legacy;
using namespace varnel::legacy::test;

namespace {

TEST(AccessReader, ReadsEveryJet3TableAsMdbExportDoes)
{
    QSet<quint8> typesSeen;
    int values = 0;
    for (const QString table : {"Table1", "Table2", "Table3", "Table4"}) {
        SCOPED_TRACE(qPrintable(table));
        const ReadTable read = readWhole(jetFile(kJet3Sample), table);
        const Export exported = mdbExport(jetFile(kJet3Sample), table);
        EXPECT_EQ(read.info.jetVersion, 0) << "Jet 3";
        QStringList names;
        for (const AccessColumn& c : read.columns) {
            names << c.name;
            typesSeen << c.type;
        }
        EXPECT_EQ(names, exported.header);
        ASSERT_EQ(read.rows.size(), exported.rows.size());
        for (int r = 0; r < read.rows.size(); ++r) {
            for (int c = 0; c < read.columns.size(); ++c) {
                const QString difference =
                    differenceFromExport(exported.rows[r][c], storedForm(read.rows[r][c]), read.columns[c].type);
                EXPECT_TRUE(difference.isEmpty()) << "row " << r + 1 << ", " << qPrintable(names[c]) << ": "
                                                  << qPrintable(difference);
                ++values;
            }
        }
    }
    EXPECT_EQ(values, 18);
    namespace jet = stream::jet;
    // Table4's column "data" is a Replication ID (the table is empty; the
    // import refuses such a column).
    EXPECT_EQ(typesSeen, (QSet<quint8>{jet::Text, jet::Byte, jet::Integer, jet::Long, jet::Double, jet::DateTime,
                                       jet::Currency, jet::Boolean, jet::ReplicationId}));
}

TEST(AccessReader, ReadsJet3TextAsWindows1252)
{
    QTemporaryDir dir;
    const QString copy = copyJetFile(kJet3Sample, dir.filePath("cp1252.mdb"));
    // Jet 3 keeps text as the machine's code page bytes: 0x80 is the euro
    // sign and 0x9F a Y with diaeresis in Windows-1252 (neither in Latin-1).
    replaceOnce(copy, "abcdefg", "ab\x80\xE9" "efg");
    replaceOnce(copy, "hijklmnop", "\x9Fijklmnop");
    const ReadTable read = readWhole(copy, "Table1");
    ASSERT_EQ(read.rows.size(), 2);
    EXPECT_EQ(storedForm(read.rows[1][0]).toString(), QString::fromUtf8("ab€éefg"));
    EXPECT_EQ(storedForm(read.rows[1][1]).toString(), QString::fromUtf8("Ÿijklmnop"));
    // mdb-export reads it alike.
    EXPECT_EQ(mdbExport(copy, "Table1").rows.value(1).value(0), QString::fromUtf8("ab€éefg"));
}

// Readers that stand in for one libmdb has made hang, crash or garble.
TEST(AccessReader, AWatchdogEndsAReaderThatHangsCrashesOrGarbles)
{
    QTemporaryDir dir;
    const QString pidFile = dir.filePath("pid");
    const struct {
        const char* name;
        QByteArray script;
        int number;
        const char* says;
    } cases[] = {
        {"hangs", "#!/bin/sh\necho $$ > '" + pidFile.toUtf8() + "'\nexec sleep 600\n", failure::ReaderStalled,
         "made no progress for 1 seconds"},
        {"crashes", "#!/bin/sh\nkill -SEGV $$\n", failure::DamagedFile, "the Access reader crashed on it"},
        {"sends garbage", "#!/bin/sh\nprintf 'HELLO, WORLD'\n", failure::DamagedFile, "the Access reader went wrong"},
        {"ends without a word", "#!/bin/sh\nexit 0\n", failure::DamagedFile, "stopped with code 0 after 0 records"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString program = writeFile(dir.filePath("reader.sh"), c.script);
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        ReaderOptions options;
        options.program = program;
        options.stallLimit = std::chrono::seconds(1);
        const auto failure = failureOf([&] { readWhole(jetFile(kJet4Access2000), "Soldier", options); });
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->number(), c.number);
        EXPECT_TRUE(failure->description().contains(c.says)) << qPrintable(failure->description());
    }
    // The hung reader is gone, not left running.
    const int pid = QString::fromLatin1(fileBytes(pidFile)).trimmed().toInt();
    ASSERT_GT(pid, 0);
    EXPECT_NE(::kill(pid, 0), 0);

    ReaderOptions missing;
    missing.program = dir.filePath("no-such-reader");
    const auto failure = failureOf([&] { readWhole(jetFile(kJet4Access2000), "Soldier", missing); });
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->number(), failure::ReaderMissing);
}

} // namespace
