// The report query guard on any text. It may only refuse with a Failure that names the layout. What it lets through
// must be, to SQLite's authorizer, one statement that only reads (text SQLite cannot compile proves nothing), and to
// PostgreSQL's rules (postgres_statements.h) one statement or none, with standard_conforming_strings on and off.
#include "reports/query_guard.h"
#include "reports/report_failures.h"

#include "common/failure.h"
#include "fuzz_check.h"
#include "postgres_statements.h"

#include <sqlite3.h>

using varnel::fuzz::broken;

namespace {

const QString kPath = QStringLiteral("/layouts/fuzzed.rpt");

// The table the shipped layouts read, as `varnel-roster create` writes it.
constexpr const char* kSoldierTable = R"(CREATE TABLE "Soldier" ("ID" INTEGER PRIMARY KEY, "Name" TEXT, "Rank" TEXT,
  "TISDate" DATE, "DORDate" DATE, "APFT" TEXT, "Weapon" TEXT, "MSM" BOOLEAN, "MSM2" BOOLEAN, "ARCOM" BOOLEAN,
  "ARCOM2" BOOLEAN, "ARCOM3" BOOLEAN, "AAM" BOOLEAN, "AAM2" BOOLEAN, "AAM3" BOOLEAN, "LTR/COM" BOOLEAN,
  "LTR/COM2" BOOLEAN, "LTR/COM3" BOOLEAN, "TISPoints" INTEGER, "TIGPoints" INTEGER, "APFTPoints" INTEGER,
  "WeaponPoints" INTEGER, "AwardPoints" INTEGER, "1SGTPoints" INTEGER, "SSGTPoints" INTEGER, "LastSchool" TEXT,
  "NextSchool" TEXT, "PrefDates" TEXT, "TotalDate" TEXT, "TOTAL" INTEGER);
CREATE INDEX "SoldierByName" ON "Soldier" ("Name");)";

// The first action of a statement being compiled that is not reading, if any.
struct Seen {
    int action = SQLITE_OK;
    QString detail;
};

int authorize(void* seen, int action, const char* a, const char* b, const char*, const char*)
{
    auto& s = *static_cast<Seen*>(seen);
    bool reads = action == SQLITE_SELECT || action == SQLITE_READ || action == SQLITE_RECURSIVE;
    if (action == SQLITE_FUNCTION) // functions only compute, but for the one that loads code
        reads = b && sqlite3_stricmp(b, "load_extension") != 0;
    // Setting up a table-valued function (pragma_table_info) the first time reports updates of the schema table that
    // write nothing; a statement that really writes it is caught by sqlite3_stmt_readonly().
    if (action == SQLITE_UPDATE && a
        && (sqlite3_stricmp(a, "sqlite_master") == 0 || sqlite3_stricmp(a, "sqlite_temp_master") == 0))
        reads = true;
    if (!reads && s.action == SQLITE_OK)
        s = {action, QStringLiteral("action %1 (%2, %3)").arg(action).arg(QString::fromUtf8(a ? a : ""), QString::fromUtf8(b ? b : ""))};
    return SQLITE_OK;
}

// Compiles, never runs, every statement of an accepted query on an in-memory roster.
void checkWithSqlite(const QString& query)
{
    static sqlite3* const db = [] {
        sqlite3* opened = nullptr;
        if (sqlite3_open_v2(":memory:", &opened, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK
            || sqlite3_exec(opened, kSoldierTable, nullptr, nullptr, nullptr) != SQLITE_OK)
            broken("the in-memory roster opens", QString::fromUtf8(sqlite3_errmsg(opened)));
        return opened;
    }();
    const QByteArray utf8 = query.toUtf8();
    const char* rest = utf8.constData();
    for (int statements = 1; rest < utf8.constEnd(); ++statements) {
        Seen seen;
        sqlite3_set_authorizer(db, authorize, &seen);
        sqlite3_stmt* statement = nullptr;
        const int rc = sqlite3_prepare_v2(db, rest, int(utf8.constEnd() - rest), &statement, &rest);
        sqlite3_set_authorizer(db, nullptr, nullptr);
        const bool readOnly = sqlite3_stmt_readonly(statement) != 0;
        sqlite3_finalize(statement);
        if (rc != SQLITE_OK || !statement) // not SQL, or only blanks and comments were left
            return;
        if (statements > 1)
            broken("an accepted query is one statement", query);
        if (seen.action != SQLITE_OK || !readOnly)
            broken("an accepted query only reads", query + QStringLiteral("\n  SQLite saw ") + seen.detail);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString query = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
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
    for (const bool standardStrings : {true, false})
        if (const auto statements = varnel::fuzz::postgresStatements(query, standardStrings); statements && *statements != 1)
            broken(standardStrings ? "an accepted query is one statement to PostgreSQL"
                                   : "an accepted query is one statement to PostgreSQL with standard_conforming_strings off",
                   query + QStringLiteral("\n  statements: ") + QString::number(*statements));
    return 0;
}
