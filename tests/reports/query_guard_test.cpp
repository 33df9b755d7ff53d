#include "reports/query_guard.h"
#include "reports/report_failures.h"

#include "report_helpers.h"
#include "support/query_guard_cases.h"

using namespace varnel::reports;
using namespace varnel::reports::test;

namespace {

// The refusal's description, or nothing when the query was let through.
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

TEST(QueryGuard, LetsOnlyASingleReadingStatementThrough)
{
    for (const auto& c : varnel::test::kGuardCases) {
        SCOPED_TRACE(c.query);
        EXPECT_EQ(refusal(QString::fromUtf8(c.query)).has_value(), c.refused);
    }
}

TEST(QueryGuard, RefusesEveryTextAPostgreSQLServerRunsAsTwoStatements)
{
    for (const auto& c : varnel::test::kPostgresSplits) {
        SCOPED_TRACE(c.query);
        EXPECT_TRUE(refusal(QString::fromUtf8(c.query)).has_value());
    }
}

TEST(QueryGuard, SaysWhichEngineReadsTheTextAsMoreThanOneStatement)
{
    const struct {
        const char* query;
        const char* says;
    } cases[] = {
        // SQLite ends the comment at the first */.
        {"SELECT 1 /* /* */ ; DELETE FROM Soldier; -- */", "holds more than one statement. A report"},
        // To SQLite the quote after the comment hides the rest.
        {R"(SELECT 1 /* /* */ '; */ ; DELETE FROM "Soldier"; --')", "more than one statement as PostgreSQL reads it"},
        {R"(SELECT $a$ ' $a$; DELETE FROM "Soldier"; --')", "more than one statement as PostgreSQL reads it"},
        {"SELECT 1 --\r; DELETE FROM \"Soldier\"", "more than one statement as PostgreSQL reads it"},
        {R"(SELECT '\', 1 AS "x'; DELETE FROM "Soldier"; --")", "with standard_conforming_strings off"},
        {R"(SELECT $a(') ; DELETE FROM "Soldier"; --')", "holds more than one statement. A report"},
        {R"(SELECT 1$a$ ' $a$; DELETE FROM "Soldier"; --')", "a number runs into $"},
        {R"(SELECT $a$ unclosed)", "a quote is not closed as PostgreSQL reads it"},
        {"SELECT 1 /* /* */", "a comment is not closed as PostgreSQL reads it"},
        {R"(SELECT * INTO "Copy" FROM "Soldier")", "it contains INTO"},
        {"SELECT 1\v", "a control character (U+000b)"},
        {"SELECT\xc2\xa0" "1", "a space character (U+00a0)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.query);
        const auto why = refusal(QString::fromUtf8(c.query));
        ASSERT_TRUE(why.has_value());
        EXPECT_TRUE(why->contains(QString::fromUtf8(c.says))) << why->toStdString();
    }
}
