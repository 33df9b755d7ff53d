// The report query guard on any text. It may only refuse with a Failure that
// names the layout. What it lets through is checked against SQLite itself:
// the text is compiled (never run) on an in-memory database holding the
// Soldier table, and SQLite's authorizer, which is told of every action a
// statement would take, must see reading only, in one statement. So a guard
// that misreads a token, a comment or a quote in a way SQLite does not is
// caught here; text SQLite cannot compile proves nothing either way.
// PostgreSQL is not at hand, so its scanner's rules are (postgres_statements.h):
// under them an accepted text must be one statement, with
// standard_conforming_strings on and off, or text the server cannot scan.
#include "reports/query_guard.h"
#include "reports/report_failures.h"

#include "common/failure.h"
#include "fuzz_check.h"
#include "postgres_statements.h"

#include <sqlite3.h>

#include <cstring>

namespace {

using varnel::fuzz::broken;

const QString kPath = QStringLiteral("/layouts/fuzzed.rpt");

// The table the shipped layouts read, as `varnel-roster create` writes it.
constexpr const char* kSoldierTable = R"(
CREATE TABLE "Soldier" (
  "ID" INTEGER PRIMARY KEY, "Name" TEXT, "Rank" TEXT, "TISDate" DATE, "DORDate" DATE,
  "APFT" TEXT, "Weapon" TEXT, "MSM" BOOLEAN, "MSM2" BOOLEAN, "ARCOM" BOOLEAN,
  "ARCOM2" BOOLEAN, "ARCOM3" BOOLEAN, "AAM" BOOLEAN, "AAM2" BOOLEAN, "AAM3" BOOLEAN,
  "LTR/COM" BOOLEAN, "LTR/COM2" BOOLEAN, "LTR/COM3" BOOLEAN, "TISPoints" INTEGER,
  "TIGPoints" INTEGER, "APFTPoints" INTEGER, "WeaponPoints" INTEGER, "AwardPoints" INTEGER,
  "1SGTPoints" INTEGER, "SSGTPoints" INTEGER, "LastSchool" TEXT, "NextSchool" TEXT,
  "PrefDates" TEXT, "TotalDate" TEXT, "TOTAL" INTEGER);
CREATE INDEX "SoldierByName" ON "Soldier" ("Name");
)";

// What the authorizer saw while a statement was compiled: the first action
// that is not reading, if any.
struct Seen {
    int action = SQLITE_OK;
    QString detail;
};

int authorize(void* seen, int action, const char* a, const char* b, const char*, const char*)
{
    auto& s = *static_cast<Seen*>(seen);
    bool reads = action == SQLITE_SELECT || action == SQLITE_READ || action == SQLITE_RECURSIVE;
    // Functions only compute, except the one that loads code into the
    // connection.
    if (action == SQLITE_FUNCTION)
        reads = b && sqlite3_stricmp(b, "load_extension") != 0;
    // The first use of a table-valued function (pragma_table_info, json_each)
    // on a connection reports updates of the schema table's columns while
    // SQLite sets the function's table up; nothing is written. A statement
    // that really writes the schema table is still caught by
    // sqlite3_stmt_readonly().
    if (action == SQLITE_UPDATE && a
        && (sqlite3_stricmp(a, "sqlite_master") == 0 || sqlite3_stricmp(a, "sqlite_temp_master") == 0))
        reads = true;
    if (!reads && s.action == SQLITE_OK) {
        s.action = action;
        s.detail = QStringLiteral("action %1 (%2, %3)")
                       .arg(action)
                       .arg(QString::fromUtf8(a ? a : ""), QString::fromUtf8(b ? b : ""));
    }
    return SQLITE_OK;
}

sqlite3* rosterDatabase()
{
    static sqlite3* db = [] {
        sqlite3* opened = nullptr;
        if (sqlite3_open_v2(":memory:", &opened, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK
            || sqlite3_exec(opened, kSoldierTable, nullptr, nullptr, nullptr) != SQLITE_OK)
            broken("the in-memory roster opens", QString::fromUtf8(sqlite3_errmsg(opened)));
        return opened;
    }();
    return db;
}

// Compiles every statement of an accepted query; the first must only read,
// and no second one may follow.
void checkWithSqlite(const QString& query)
{
    sqlite3* db = rosterDatabase();
    const QByteArray utf8 = query.toUtf8();
    const char* rest = utf8.constData();
    const char* const end = rest + utf8.size();
    for (int statements = 0; rest < end;) {
        Seen seen;
        sqlite3_set_authorizer(db, authorize, &seen);
        sqlite3_stmt* statement = nullptr;
        const char* tail = nullptr;
        const int rc = sqlite3_prepare_v2(db, rest, int(end - rest), &statement, &tail);
        sqlite3_set_authorizer(db, nullptr, nullptr);
        if (rc != SQLITE_OK) {
            sqlite3_finalize(statement);
            return;
        }
        if (!statement)  // only blanks and comments were left
            return;
        ++statements;
        const bool readOnly = sqlite3_stmt_readonly(statement) != 0;
        sqlite3_finalize(statement);
        if (statements > 1)
            broken("an accepted query is one statement", query);
        if (seen.action != SQLITE_OK || !readOnly)
            broken("an accepted query only reads", query + QStringLiteral("\n  SQLite saw ") + seen.detail);
        rest = tail;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString query = varnel::fuzz::textOf(data, size);
    try {
        varnel::reports::refuseWritingQuery(query, kPath);
    } catch (const varnel::Failure& failure) {
        if (failure.number() != varnel::reports::failure::QueryRefused)
            broken("a refusal is QueryRefused", QString::number(failure.number()));
        if (!failure.description().contains(kPath))
            broken("the refusal names the layout file", failure.description());
        return 0;
    }
    checkWithSqlite(query);
    for (const bool standardStrings : {true, false}) {
        const auto statements = varnel::fuzz::postgresStatements(query, standardStrings);
        if (statements && *statements != 1)
            broken(standardStrings ? "an accepted query is one statement to PostgreSQL"
                                   : "an accepted query is one statement to PostgreSQL with standard_conforming_strings off",
                   query + QStringLiteral("\n  statements: ") + QString::number(*statements));
    }
    return 0;
}
