#include "common/failure.h"
#include "reports/query_guard.h"
#include "reports/report_engine.h"
#include "reports/report_failures.h"
#include "reports/report_presenter.h"
#include "reports/report_progress.h"
#include "sample_roster.h"
#include "test_support.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace varnel::reports;
using namespace varnel::reports::test;

namespace {

bool refused(const QString& query)
{
    const auto failure = failureOf([&] { refuseWritingQuery(query, QStringLiteral("/layouts/x.rpt")); });
    if (failure) {
        EXPECT_EQ(failure->number(), failure::QueryRefused);
        EXPECT_TRUE(failure->description().contains(QStringLiteral("/layouts/x.rpt")));
    }
    return bool(failure);
}

} // namespace

TEST(QueryGuard, LetsOnlyASingleReadingStatementThrough)
{
    const struct {
        const char* query;
        bool refused;
    } cases[] = {
        {R"(SELECT "Name" FROM "Soldier" ORDER BY "Name")", false},
        {R"(select Name from Soldier;)", false},
        {"SELECT 1;  -- trailing comment", false},
        {"WITH t AS (SELECT 1 AS a) SELECT a FROM t", false},
        {"WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 3) SELECT x FROM n", false},
        {"VALUES (1), (2)", false},
        {R"(SELECT replace("Name", ',', '') FROM "Soldier")", false},
        {"SELECT 'DELETE FROM Soldier; DROP TABLE Soldier' AS x", false},
        {R"(SELECT "UPDATE" FROM "Soldier")", false},
        {"SELECT 1 /* ; DELETE FROM Soldier */", false},
        {"SELECT 1 -- ; DELETE FROM Soldier", false},
        {R"(SELECT "LTR/COM", [1SGTPoints], `TOTAL` FROM "Soldier")", false},
        {"UPDATE Soldier SET TOTAL = 0", true},
        {"DELETE FROM Soldier", true},
        {"INSERT INTO Soldier (Name) VALUES ('x')", true},
        {"REPLACE INTO Soldier (Name) VALUES ('x')", true},
        {"SELECT 1; DELETE FROM Soldier", true},
        {"SELECT 1; SELECT 2", true},
        {"ATTACH DATABASE 'other.db' AS other", true},
        {"attach 'other.db' as other", true},
        {"DETACH other", true},
        {"PRAGMA writable_schema = 1", true},
        {"WITH t AS (SELECT 1) DELETE FROM Soldier", true},
        {"WITH t AS (SELECT 1) INSERT INTO Soldier (Name) SELECT 1 FROM t", true},
        {"DROP TABLE Soldier", true},
        {"/* report */ CREATE TABLE x (a)", true},
        {"VACUUM INTO 'copy.db'", true},
        {"BEGIN; SELECT 1", true},
        {"SELECT load_extension('evil')", true},
        {"SELECT 'unterminated", true},
        {"SELECT 1 /* unterminated", true},
        {"   ", true},
        {";", true},
        {"EXPLAIN SELECT 1", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.query);
        EXPECT_EQ(refused(QString::fromUtf8(c.query)), c.refused);
    }
}

TEST(QueryGuard, RefusedLayoutLeavesTheRosterBytesUnchanged)
{
    const char* writers[] = {
        R"(UPDATE \"Soldier\" SET \"TOTAL\" = 0)",
        R"(DELETE FROM \"Soldier\")",
        R"(SELECT \"Name\" FROM \"Soldier\"; DELETE FROM \"Soldier\")",
        R"(ATTACH DATABASE 'spy.db' AS spy)",
        R"(WITH t AS (SELECT 1) UPDATE \"Soldier\" SET \"Name\" = 'x')",
        R"(PRAGMA user_version = 7)",
    };
    QTemporaryDir dir;
    const QString roster = dir.filePath(QStringLiteral("Varnel_DATA.MDB"));
    createRoster(roster, sampleSoldiers());
    const QByteArray before = fileBytes(roster);
    ASSERT_FALSE(before.isEmpty());
    for (const char* query : writers) {
        SCOPED_TRACE(query);
        const QString layout = writeFile(
            dir.filePath(QStringLiteral("writer.rpt")),
            QByteArray(R"({"format": 1, "title": "W", "kind": "list", "query": ")") + query +
                R"(", "columns": [{"heading": "Name", "field": "Name"}]})");
        QStringList presented;
        ReportEngine engine(std::make_unique<RecordingPresenter>(presented), std::make_unique<SilentProgress>());
        engine.setReportFileName(layout);
        const auto failure = failureOf([&] { engine.setAction(0); });
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->number(), failure::QueryRefused) << failure->what();
        EXPECT_TRUE(failure->description().contains(QStringLiteral("writer.rpt"))) << failure->what();
        EXPECT_TRUE(presented.isEmpty());
        EXPECT_EQ(fileBytes(roster), before);
        EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("spy.db"))));
    }
}
