#include "jet_fixture.h"

#include "legacy/access_import.h"
#include "legacy/import_failures.h"

#include <QDir>
#include <QFile>
#include <random>

using namespace varnel;
using namespace varnel::legacy;
using namespace varnel::legacy::test;

namespace {

class ImportTool : public ::testing::TestWithParam<TableLayout> {};

TEST_P(ImportTool, BringsEveryValueAcrossAsMdbExportReadsIt)
{
    QTemporaryDir dir;
    const bool rearranged = GetParam() == TableLayout::Rearranged;
    const QString access = copyJetFile(rearranged ? kJet4Access2003 : kJet4Access2000, dir.filePath("Varnel_DATA.MDB"));
    if (rearranged)
        swapColumnNames(access, {{"ID", "No"}, {"LastSchool", "NextSchool"}, {"1SGTPoints", "SSGTPoints"}});
    const QByteArray accessBefore = fileBytes(access);
    QDir(dir.path()).mkdir("new");
    const QString roster = dir.filePath("new/Varnel_DATA.MDB");

    const ProgramRun run = runRosterTool({"import", access, roster});
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err);
    EXPECT_TRUE(run.out.endsWith("(Jet 4 (Access 2000-2003)) into " + roster + ":\n  300 records\n"
                                 "  30 columns: 2 date, 11 yes/no, 9 integer, 8 text\n")) << qPrintable(run.out);
    EXPECT_EQ(fileBytes(access), accessBefore) << "the Access file is only read";
    EXPECT_EQ(filesBeside(roster), QStringList()) << "nothing else beside it";

    const Export exported = mdbExport(access, "Soldier");
    ASSERT_EQ(exported.rows.size(), 300);
    Connection db(roster);
    QStringList names, declared;
    for (const QVariantMap& column : db.rows("PRAGMA table_info(Soldier)")) {
        names << column["name"].toString();
        declared << column["type"].toString() + (column["pk"].toInt() ? " KEY" : "");
    }
    EXPECT_EQ(names, exported.header);
    EXPECT_EQ(declared, QStringList({"INTEGER KEY", "TEXT", "TEXT", "DATETIME", "DATETIME", "TEXT", "TEXT"}) + QStringList(11, "BOOLEAN")
                            + QStringList(7, "INTEGER") + QStringList(4, "TEXT") + QStringList{"INTEGER"});
    EXPECT_EQ(db.rows("EXPLAIN QUERY PLAN SELECT * FROM Soldier ORDER BY Name").value(0).value("detail").toString(),
              "SCAN Soldier USING INDEX SoldierByName");

    QList<quint8> types;
    for (const AccessColumn& c : readWhole(access, kSoldierTable).columns)
        types << c.type;
    const QList<QVariantMap> stored = db.rows("SELECT * FROM Soldier ORDER BY rowid");
    ASSERT_EQ(stored.size(), exported.rows.size());
    for (int r = 0; r < stored.size(); ++r) {
        for (int c = 0; c < exported.header.size(); ++c) {
            const QString difference = differenceFromExport(exported.rows[r][c], stored[r].value(exported.header[c]), types[c]);
            EXPECT_TRUE(difference.isEmpty()) << "record " << r + 1 << ", " << qPrintable(exported.header[c]) << ": "
                                              << qPrintable(difference);
        }
    }
    // What mdb-export cannot tell apart: empty LastSchool (every fourth
    // record) stays empty text, NULL NextSchool (the next) stays NULL.
    EXPECT_EQ(db.rows("SELECT Name FROM Soldier WHERE LastSchool = '' OR NextSchool = ''").size(), 75);
    EXPECT_EQ(db.rows("SELECT Name FROM Soldier WHERE LastSchool IS NULL OR NextSchool IS NULL").size(), 75);
    EXPECT_EQ(integrityCheck(roster), "ok");
}

INSTANTIATE_TEST_SUITE_P(JetFour, ImportTool, kBothLayouts, layoutName);

TEST(ImportTool, RefusesWithANumberAndWritesNothing)
{
    const struct {
        const char* name;
        QString source; // empty: no copy
        std::function<void(const QString& old)> change;
        QStringList err; // each in standard error
    } cases[] = {
        {"the new file exists", kJet4Access2000, [](const QString& old) { writeFile(old.chopped(7) + "new.MDB", "the clerk's"); },
         {"error 17: The file"}},
        {"no table Soldier (Jet 3)", kJet3Sample, nullptr, {"error 3011: The Access file", "has no table \"Soldier\""}},
        {"a wrong layout", kJet4Access2000, [](const QString& old) { swapColumnNames(old, {{"TISDate", "DORDate"}}); },
         {"error 3190: The table Soldier in the Access file", "position 3 holds \"DORDate\" where \"TISDate\" belongs"}},
        {"a page's record count lost", kJet4Access2000,
         [](const QString& old) {
             QByteArray bytes = fileBytes(old);
             // The first data page of Soldier (page type 1, owned by the
             // table's design on page 24): its count of records zeroed.
             for (qsizetype page = 0; page * 4096 < bytes.size(); ++page) {
                 const char* p = bytes.constData() + page * 4096;
                 if (p[0] == 1 && p[4] == 24 && p[5] == 0 && p[6] == 0 && p[7] == 0) {
                     bytes[page * 4096 + 12] = 0;
                     break;
                 }
             }
             writeFile(old, bytes);
         },
         {"error 3049: The Access file", "is damaged: its table's design says 300 records, but 276 could be read"}},
        // The long memo's page is gone, which libmdb only warns of.
        {"a truncated file", kJet4Access2000, [](const QString& old) { writeFile(old, fileBytes(old).left(120 * 1024)); },
         {"error 3049: Record 2 (ID 2, Name \"Soldier001, Test\") of the Access file", "cannot be read in PrefDates"}},
        {"a date before the year 100", kJet4Access2000,
         [](const QString& old) {
             // Record 1's TISDate, 1/1/1990: the day number 32874 as a double.
             const double was = 32874.0, now = -700000.0;
             replaceOnce(old, QByteArray(reinterpret_cast<const char*>(&was), 8), QByteArray(reinterpret_cast<const char*>(&now), 8));
         },
         {"error 5203: Record 1 (ID 1, Name \"Soldier000, Test\") of the Access file", "in TISDate (stored as -700000)"}},
        {"no Name column", kJet4Access2000, [](const QString& old) { swapColumnNames(old, {{"Name", "Nick"}}); },
         {"error 3265: The table Soldier in the Access file", "has no column Name"}},
        {"an OLE Object column", kJet4Access2000, [](const QString& old) { setColumnType(old, 27, stream::jet::OleObject); },
         {"error 5204: The column \"PrefDates\"", "of the Access type OLE Object"}},
        {"not an Access file", {}, [](const QString& old) { writeFile(old, "SQLite format 3\0 and more"); },
         {"error 3343: The file"}},
        {"no Access file there", {}, nullptr, {"error 3024: There is no Access file"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString old = dir.filePath("old.mdb");
        if (!c.source.isEmpty())
            copyJetFile(c.source, old);
        if (c.change)
            c.change(old);
        const auto files = [&] {
            QStringList contents;
            for (const QString& name : QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name))
                contents << name + QString::number(qHash(fileBytes(dir.filePath(name))));
            return contents;
        };
        const QStringList before = files();

        const ProgramRun run = runRosterTool({"import", old, dir.filePath("new.MDB")});
        EXPECT_EQ(run.exitCode, 1);
        for (const QString& part : c.err)
            EXPECT_TRUE(run.err.contains(part)) << qPrintable(run.err);
        EXPECT_TRUE(run.out.isEmpty()) << qPrintable(run.out);
        EXPECT_EQ(files(), before) << "nothing written, nothing changed, nothing left";
    }
}

TEST(ImportLibrary, RefusesATextLongerThanTheReaderTakesWholeNamingTheRecord)
{
    QTemporaryDir dir;
    ReaderOptions small;
    small.maxTextBytes = 2000; // record 2 holds a memo of 3,000 characters
    const auto refused = expectFailure([&] { importAccessRoster(jetFile(kJet4Access2000), dir.filePath("a.MDB"), small); },
                                       failure::TextTooLong, {"in PrefDates"});
    EXPECT_TRUE(refused && refused->description().startsWith("Record 2 (ID 2, Name \"Soldier001, Test\")"));
    EXPECT_EQ(filesBeside(dir.filePath("a.MDB")), QStringList());
}

// Access writes whole pages, so a cut in a page is refused by the file's size alone, and a cut at a page's end loses
// records the design counts. Bytes changed at random (a loop, a crash, values libmdb misreads): the import ends with a
// whole roster or a numbered failure naming the file.
TEST(DamagedAccessFiles, CutShortNeverImportAndDamageNeverHangsOrCrashes)
{
    const QByteArray original = fileBytes(jetFile(kJet4Access2003));
    ASSERT_EQ(original.size() % 4096, 0);
    QTemporaryDir dir;
    const QString old = dir.filePath("old.mdb");
    const QString roster = dir.filePath("Varnel_DATA.MDB");
    for (qsizetype page = 1; page * 4096 < original.size(); ++page) {
        for (const qsizetype size : {page * 4096, page * 4096 + 1 + (page * 613) % 4095}) {
            SCOPED_TRACE(size);
            writeFile(old, original.left(size));
            EXPECT_EQ(failureNumber([&] { importAccessRoster(old, roster); }), failure::DamagedFile);
            EXPECT_EQ(filesBeside(old), QStringList()) << "nothing written";
            QFile::remove(roster);
        }
    }

    std::mt19937 random(20261207); // the same damage on every run
    const QSet<int> numbers = {failure::DamagedFile, failure::NoSuchTable, failure::NotAnAccessFile, failure::BadLayout,
                               failure::NoSuchColumn, failure::ReaderStalled, failure::TextTooLong,
                               failure::DateOutOfRange, failure::UnsupportedColumn};
    ReaderOptions options;
    options.stallLimit = std::chrono::seconds(10);
    int damagedFile = 0;
    for (int copy = 0; copy < 150; ++copy) {
        SCOPED_TRACE(copy);
        QByteArray damaged = original; // 20 bytes changed anywhere
        for (int i = 0; i < 20; ++i)
            damaged[std::uniform_int_distribution<qsizetype>(0, damaged.size() - 1)(random)] =
                char(std::uniform_int_distribution<int>(0, 255)(random));
        writeFile(old, damaged);
        try {
            // What libmdb read from a damaged page may differ from what was stored; the new roster is still whole and
            // holds no more records than the table declared.
            EXPECT_LE(importAccessRoster(old, roster, options).records, 300);
            EXPECT_EQ(integrityCheck(roster), "ok");
            EXPECT_EQ(filesBeside(roster), QStringList{"old.mdb"});
        } catch (const Failure& failure) {
            EXPECT_TRUE(numbers.contains(failure.number())) << failure.number() << ": " << qPrintable(failure.description());
            EXPECT_TRUE(failure.description().contains(old)) << "names the file: " << qPrintable(failure.description());
            EXPECT_EQ(filesBeside(old), QStringList()) << "nothing written";
            damagedFile += failure.number() == failure::DamagedFile;
        }
        EXPECT_EQ(fileBytes(old), damaged) << "only read";
        QFile::remove(roster);
    }
    EXPECT_GT(damagedFile, 0);
}

} // namespace
