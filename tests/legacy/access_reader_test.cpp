#include "jet_fixture.h"

#include "common/failure.h"
#include "legacy/import_failures.h"

#include <QFile>
#include <QSet>
#include <csignal>
#include <limits>

using namespace varnel;
using namespace varnel::legacy;
using namespace varnel::legacy::test;

namespace {

// The values Access itself gives for these days, CDbl(#...#); day 0 is 12/30/1899.
TEST(AccessDate, ReadsTheStoredNumberAsAccessDoes)
{
    const struct {
        double stored;
        const char* text; // nullptr: refused
    } cases[] = {
        {0.0, "1899-12-30"},
        {2.5, "1900-01-01 12:00:00"},
        {-1.0, "1899-12-29"},
        // Before day 0 the time of day still counts forward from midnight.
        {-1.25, "1899-12-29 06:00:00"},
        {-0.5, "1899-12-30 12:00:00"},
        {36585.0, "2000-02-29"},
        {32874.999988425923, "1990-01-01 23:59:59"},
        // Half a second before midnight rounds into the next day.
        {32874.9999999, "1990-01-02"},
        {-657434.0, "0100-01-01"},
        {2958465.9999884259, "9999-12-31 23:59:59"},
        {-657435.0, nullptr},
        {2958466.0, nullptr},
        {2958465.99999999, nullptr}, // rounds into the year 10000
        {-1e300, nullptr},
        {1e300, nullptr},
        {std::numeric_limits<double>::quiet_NaN(), nullptr},
        {std::numeric_limits<double>::infinity(), nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        const auto date = accessDate(c.stored);
        if (!c.text) {
            EXPECT_FALSE(date.has_value()) << qPrintable(rosterDateText(*date));
        } else {
            ASSERT_TRUE(date.has_value());
            EXPECT_EQ(rosterDateText(*date), QString::fromLatin1(c.text));
        }
    }
}

// Jet 3 keeps text in the machine's code page: 0x80 is the euro sign and
// 0x9F a Y with diaeresis in Windows-1252 (neither in Latin-1).
TEST(AccessReader, ReadsEveryJet3TableAsMdbExportDoes)
{
    QTemporaryDir dir;
    const QString copy = copyJetFile(kJet3Sample, dir.filePath("cp1252.mdb"));
    replaceOnce(copy, "abcdefg", "ab\x80\xE9" "efg");
    replaceOnce(copy, "hijklmnop", "\x9Fijklmnop");
    QSet<quint8> typesSeen;
    for (const QString table : {"Table1", "Table2", "Table3", "Table4"}) {
        SCOPED_TRACE(qPrintable(table));
        const ReadTable read = readWhole(copy, table);
        const Export exported = mdbExport(copy, table);
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
            }
        }
        if (table == "Table1") {
            EXPECT_EQ(storedForm(read.rows.value(1).value(0)), QString::fromUtf8("ab€éefg"));
        }
    }
    // Table4's column "data" is a Replication ID (the table is empty).
    EXPECT_EQ(typesSeen, (QSet<quint8>{jet::Text, jet::Byte, jet::Integer, jet::Long, jet::Double, jet::DateTime,
                                       jet::Currency, jet::Boolean, jet::ReplicationId}));
}

TEST(AccessReader, AWatchdogEndsAReaderThatHangsCrashesOrGarbles)
{
    QTemporaryDir dir;
    const QString pidFile = dir.filePath("pid");
    const struct { const char* name; QByteArray script; int number; const char* says; } cases[] = {
        {"hangs", "#!/bin/sh\necho $$ > '" + pidFile.toUtf8() + "'\nexec sleep 600\n", failure::ReaderStalled,
         "made no progress for 1 seconds"},
        {"crashes", "#!/bin/sh\nkill -SEGV $$\n", failure::DamagedFile, "the Access reader crashed on it"},
        {"sends garbage", "#!/bin/sh\nprintf 'HELLO, WORLD'\n", failure::DamagedFile, "the Access reader went wrong"},
        {"ends without a word", "#!/bin/sh\nexit 0\n", failure::DamagedFile, "stopped with code 0 after 0 records"},
        {"is not there", {}, failure::ReaderMissing, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ReaderOptions options;
        options.program = dir.filePath(c.script.isEmpty() ? "no-such-reader" : "reader.sh");
        if (!c.script.isEmpty())
            QFile::setPermissions(writeFile(options.program, c.script), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        options.stallLimit = std::chrono::seconds(1);
        expectFailure([&] { readWhole(jetFile(kJet4Access2000), "Soldier", options); }, c.number, {c.says});
    }
    // The hung reader is gone, not left running.
    const int pid = QString::fromLatin1(fileBytes(pidFile)).trimmed().toInt();
    ASSERT_GT(pid, 0);
    EXPECT_NE(::kill(pid, 0), 0);
}

} // namespace
