#include "reports/query_guard.h"
#include "reports/report_failures.h"

#include "report_helpers.h"
#include "support/query_guard_cases.h"

using namespace varnel::reports;
using namespace varnel::reports::test;

namespace {

std::optional<QString> refusal(const QString& query)
{
    const auto failure = failureOf([&] { refuseWritingQuery(query, QStringLiteral("/layouts/x.rpt")); });
    if (!failure)
        return std::nullopt;
    EXPECT_EQ(failure->number(), failure::QueryRefused);
    EXPECT_TRUE(failure->description().contains(QStringLiteral("/layouts/x.rpt")));
    return failure->description();
}

} // namespace

// Among the cases: every text a PostgreSQL server runs as two statements.
TEST(QueryGuard, LetsOnlyASingleReadingStatementThrough)
{
    for (const auto& c : varnel::test::kGuardCases) {
        SCOPED_TRACE(c.query);
        EXPECT_EQ(refusal(QString::fromUtf8(c.query)).has_value(), c.refused);
    }
}

TEST(QueryGuard, SaysWhichEngineReadsTheTextAsMoreThanOneStatement)
{
    const std::pair<const char*, const char*> cases[] = {
        {R"(SELECT $a$ ' $a$; DELETE FROM "Soldier"; --')", "more than one statement as PostgreSQL reads it"},
        {R"(SELECT '\', 1 AS "x'; DELETE FROM "Soldier"; --")", "with standard_conforming_strings off"},
        {R"(SELECT * INTO "Copy" FROM "Soldier")", "it contains INTO"},
    };
    for (const auto& [query, says] : cases)
        EXPECT_TRUE(refusal(QString::fromUtf8(query)).value_or(QString()).contains(QString::fromUtf8(says))) << query;
}

// A worksheet is narrowed by `_rowid_`: on a server, the primary key.
TEST(QueryGuard, TheServersRowKeyIsThePrimaryKeyWhateverTheQueryBeginsWith)
{
    const std::pair<const char*, const char*> cases[] = {
        {"SELECT 1", R"(WITH "Soldier" AS (SELECT *, "ID" AS _rowid_ FROM "Soldier") SELECT 1)"},
        {"  -- note\n with /* a /* nested */ note */ RECURSIVE a AS (SELECT 1) SELECT * FROM a",
         "  -- note\n with /* a /* nested */ note */ RECURSIVE \"Soldier\" AS (SELECT *, \"ID\" AS _rowid_ FROM "
         "\"Soldier\"), a AS (SELECT 1) SELECT * FROM a"},
        {"WITHOUT", R"(WITH "Soldier" AS (SELECT *, "ID" AS _rowid_ FROM "Soldier") WITHOUT)"},
        {"with recursive_x AS (SELECT 1) SELECT 2",
         R"(with "Soldier" AS (SELECT *, "ID" AS _rowid_ FROM "Soldier"), recursive_x AS (SELECT 1) SELECT 2)"},
    };
    for (const auto& [query, expected] : cases)
        EXPECT_EQ(withServerRowKey(QString::fromUtf8(query), QStringLiteral("ID")), QString::fromUtf8(expected));
    EXPECT_EQ(withServerRowKey(QStringLiteral("SELECT 1"), QStringLiteral("Rec\"No")),
              QStringLiteral(R"(WITH "Soldier" AS (SELECT *, "Rec""No" AS _rowid_ FROM "Soldier") SELECT 1)"));
    EXPECT_EQ(withServerRowKey(QStringLiteral("SELECT 1"), QString()), QStringLiteral("SELECT 1"));
}
