#include "reports/query_guard.h"
#include "reports/report_failures.h"

#include "report_helpers.h"

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
