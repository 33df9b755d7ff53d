// Reports on a roster on the tests' PostgreSQL server: what they show is
// what they show on a file holding the same soldiers, and they read the
// server through a role and a transaction that cannot change it.
#include "common/failure_numbers.h"
#include "reports/report_data.h"
#include "reports/report_engine.h"
#include "reports/report_failures.h"
#include "reports/report_layout.h"
#include "reports/query_guard.h"
#include "reports/report_progress.h"

#include "report_helpers.h"

#include "support/program_run.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <atomic>

using namespace varnel;
using namespace varnel::reports;
using namespace varnel::reports::test;

namespace {

const char* const kReportRole = "varnel_report_reader";

// The sample soldiers and the ones a real roster holds sooner or later: no
// name, a blank one, accents and case that fold alike, ties, every award
// pair, schools written loosely.
QList<QVariantMap> edgeSoldiers()
{
    QList<QVariantMap> rows = sampleSoldiers();
    rows.append({{"Rank", "PVT"}, {"TOTAL", 95}, {"NextSchool", " WLC "}});
    rows.append({{"Name", ""}, {"Rank", "PV2"}, {"TotalDate", "2024-01-02"}});
    rows.append({{"Name", "Émile, Zoë"}, {"Rank", "SGT"}, {"TOTAL", 412}, {"MSM", 1}, {"MSM2", 1}, {"AAM2", 1},
                 {"AAM3", 1}, {"LTR/COM3", 1}, {"NextSchool", "airborne"}, {"TotalDate", "2024-06-05"}});
    rows.append({{"Name", "emile, alan"}, {"Rank", "SPC"}, {"TOTAL", 412}, {"ARCOM", 0}, {"ARCOM3", 1},
                 {"NextSchool", "Airborne"}});
    rows.append({{"Name", "MÜLLER, Hans"}, {"Rank", "CPL"}, {"NextSchool", ""}, {"LTR/COM", 1}, {"LTR/COM2", 1}});
    rows.append({{"Name", "muller, anna"}, {"Rank", "CPL"}, {"NextSchool", "USASMC"}, {"MSM", 0}, {"MSM2", 0}});
    rows.append({{"Name", "de la Cruz, Ana"}, {"Rank", "SSG"}, {"TOTAL", 0}, {"NextSchool", "SLC"}});
    return rows;
}

QString asRole(QString location, const QString& role)
{
    return location.replace(QRegularExpression(QStringLiteral("user=[^&]*")), QStringLiteral("user=") + role);
}

// The role reports use on the server: it may read the Soldier table and
// nothing more. Gives the roster's address as that role.
QString reportRoleLocation(const QString& database)
{
    const auto owner = Connection::toServer(database);
    owner->run(QStringLiteral("DO $$ BEGIN CREATE ROLE %1 LOGIN; "
                              "EXCEPTION WHEN duplicate_object OR unique_violation THEN NULL; END $$")
                   .arg(QLatin1String(kReportRole)));
    owner->run(QStringLiteral("GRANT SELECT ON \"Soldier\" TO %1").arg(QLatin1String(kReportRole)));
    return asRole(serverLocation(database), QLatin1String(kReportRole));
}

QString reportRoleLocation(const RosterFile& roster)
{
    return reportRoleLocation(roster.database());
}

void insertAll(RosterFile& roster, const QList<QVariantMap>& soldiers)
{
    for (const QVariantMap& soldier : soldiers)
        roster.insert(soldier);
}

// The shipped layout `name` reading `source`.
ReportLayout shippedLayout(const QString& name, const QString& source)
{
    QTemporaryDir dir;
    ReportLayout layout = loadLayout(copyShippedLayout(name, dir.path()));
    layout.dataSource = source;
    return layout;
}

ReportLayout layoutWithQuery(const QString& query, const QString& source)
{
    ReportLayout layout = shippedLayout(QStringLiteral("varnel_list.rpt"), source);
    layout.query = query;
    layout.fields.resize(1);
    layout.fields[0].field = QStringLiteral("Shown");
    return layout;
}

QList<QStringList> rowsOf(const ReportLayout& layout, const ReportLimits& limits = {})
{
    SilentProgress progress;
    const std::optional<ReportData> data = readReportData(layout, progress, limits);
    QList<QStringList> rows;
    if (!data) {
        ADD_FAILURE() << "the report was cancelled";
        return rows;
    }
    for (int r = 0; r < data->rowCount(); ++r) {
        QStringList row;
        for (int f = 0; f < data->fieldCount(); ++f)
            row << data->value(r, f);
        rows << row;
    }
    return rows;
}

std::string rowsText(const QList<QStringList>& rows)
{
    std::string text;
    for (const QStringList& row : rows)
        text += row.join(QStringLiteral(" | ")).toStdString() + '\n';
    return text;
}

class ServerReports : public ::testing::TestWithParam<TableLayout> {};

TEST_P(ServerReports, EveryShippedLayoutShowsOnTheServerWhatItShowsOnAFile)
{
    const QList<QVariantMap> soldiers = edgeSoldiers();
    RosterFile file(RosterKind{Engine::File, GetParam()});
    RosterFile server(RosterKind{Engine::Server, GetParam()});
    insertAll(file, soldiers);
    insertAll(server, soldiers);
    const QString reader = reportRoleLocation(server);
    for (const char* name : {"varnel_list.rpt", "varnel_nco.rpt", "varnel_work.rpt"}) {
        SCOPED_TRACE(name);
        const QList<QStringList> fromFile = rowsOf(shippedLayout(QString::fromLatin1(name), file.location()));
        const QList<QStringList> fromServer = rowsOf(shippedLayout(QString::fromLatin1(name), reader));
        ASSERT_EQ(fromFile.size(), soldiers.size());
        EXPECT_EQ(fromServer, fromFile) << "server:\n" << rowsText(fromServer) << "file:\n" << rowsText(fromFile);
    }
}

INSTANTIATE_TEST_SUITE_P(BothTableLayouts, ServerReports, kBothLayouts, layoutName);

// A new database on the tests' server whose own default order is a
// language's (ICU's en-US), as a production server's often is, where the
// tests' cluster sorts by bytes.
QString makeLanguageOrderedDatabase()
{
    static std::atomic<int> serial{0};
    const QString name = QStringLiteral("varnel_en_us_%1_%2").arg(QCoreApplication::applicationPid()).arg(++serial);
    Connection::toServer(QStringLiteral("postgres"))
        ->run(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 LOCALE_PROVIDER icu ICU_LOCALE 'en-US'").arg(name));
    return name;
}

// A unit's roster as `varnel-roster sample` makes it, with its edge cases
// (no name, lower-case and stray codes, blank evaluations), and the edge
// soldiers above, each brought to the server by `varnel-roster copy`: every
// report shows the same, on a database that sorts text by its bytes as on
// one that sorts it as a language does.
TEST(ServerReportsSample, ARosterCopiedToTheServerShowsAlike)
{
    QTemporaryDir dir;
    const QString tool = QStringLiteral(VARNEL_ROSTER_TOOL);
    const QString sample = dir.filePath(QStringLiteral("sample.mdb"));
    const ProgramRun made = runToEnd(tool, {"sample", sample, "--count", "600", "--edge-cases", "--seed", "7"});
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    const QString edges = dir.filePath(QStringLiteral("edges.mdb"));
    writeRoster(edges, edgeSoldiers());

    const struct {
        const char* what;
        QString file;
        qsizetype soldiers;
    } rosters[] = {{"sample", sample, 600}, {"edge soldiers", edges, edgeSoldiers().size()}};
    for (const auto& roster : rosters) {
        for (const bool languageOrder : {false, true}) {
            SCOPED_TRACE(std::string(roster.what) + (languageOrder ? ", en-US database" : ", byte-ordered database"));
            const QString database = languageOrder ? makeLanguageOrderedDatabase() : makeServerDatabase();
            const ProgramRun copy = runToEnd(tool, {"copy", roster.file, serverLocation(database)});
            ASSERT_EQ(copy.exitCode, 0) << copy.err.toStdString();
            const QString reader = reportRoleLocation(database);
            for (const char* name : {"varnel_list.rpt", "varnel_nco.rpt", "varnel_work.rpt"}) {
                SCOPED_TRACE(name);
                const QList<QStringList> fromFile = rowsOf(shippedLayout(QString::fromLatin1(name), roster.file));
                const QList<QStringList> fromServer = rowsOf(shippedLayout(QString::fromLatin1(name), reader));
                ASSERT_EQ(fromFile.size(), roster.soldiers);
                EXPECT_EQ(fromServer, fromFile);
                for (qsizetype r = 0; r < fromFile.size() && r < fromServer.size(); ++r) {
                    if (fromServer[r] != fromFile[r]) {
                        ADD_FAILURE() << "first difference at row " << r
                                      << "\nserver: " << fromServer[r].join(" | ").toStdString()
                                      << "\nfile:   " << fromFile[r].join(" | ").toStdString();
                        break;
                    }
                }
            }
        }
    }
}

// The record key a worksheet is narrowed by: the file's row key, the
// server table's primary key, under the one name `_rowid_`.
TEST(ServerReportsQuery, TheRowKeyIsThePrimaryKeyWhateverTheQueryBeginsWith)
{
    const struct {
        const char* query;
        const char* expected;
    } cases[] = {
        {"SELECT 1", R"(WITH "Soldier" AS (SELECT *, "ID" AS _rowid_ FROM "Soldier") SELECT 1)"},
        {"WITH a AS (SELECT 1) SELECT * FROM a",
         R"(WITH "Soldier" AS (SELECT *, "ID" AS _rowid_ FROM "Soldier"), a AS (SELECT 1) SELECT * FROM a)"},
        {"  -- note\n with /* a /* nested */ note */ RECURSIVE a AS (SELECT 1) SELECT * FROM a",
         "  -- note\n with /* a /* nested */ note */ RECURSIVE \"Soldier\" AS (SELECT *, \"ID\" AS _rowid_ FROM "
         "\"Soldier\"), a AS (SELECT 1) SELECT * FROM a"},
        {"WITHOUT", R"(WITH "Soldier" AS (SELECT *, "ID" AS _rowid_ FROM "Soldier") WITHOUT)"},
        {"with recursive_x AS (SELECT 1) SELECT 2",
         R"(with "Soldier" AS (SELECT *, "ID" AS _rowid_ FROM "Soldier"), recursive_x AS (SELECT 1) SELECT 2)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.query);
        EXPECT_EQ(withServerRowKey(QString::fromUtf8(c.query), QStringLiteral("ID")), QString::fromUtf8(c.expected));
    }
    EXPECT_EQ(withServerRowKey(QStringLiteral("SELECT 1"), QStringLiteral("Rec\"No")),
              QStringLiteral(R"(WITH "Soldier" AS (SELECT *, "Rec""No" AS _rowid_ FROM "Soldier") SELECT 1)"));
    EXPECT_EQ(withServerRowKey(QStringLiteral("SELECT 1"), QString()), QStringLiteral("SELECT 1"));
}

TEST(ServerReportsRole, ARoleThatMayChangeTheRosterIsRefusedBeforeTheQueryRuns)
{
    RosterFile roster(RosterKind{Engine::Server, TableLayout::Standard});
    insertAll(roster, sampleSoldiers());
    const QString reader = reportRoleLocation(roster);
    roster.exec(R"(DO $$ BEGIN CREATE ROLE varnel_report_clerk LOGIN; EXCEPTION WHEN duplicate_object OR unique_violation THEN NULL; END $$)");
    roster.exec(R"(GRANT SELECT ON "Soldier" TO varnel_report_clerk)");
    const QString clerk = asRole(roster.location(), QStringLiteral("varnel_report_clerk"));
    // The query would tell whether it ran.
    const QString marks = QStringLiteral("SELECT 'ran' AS \"Shown\"");
    const struct {
        const char* grant;
        QString location;
    } writers[] = {
        {"", roster.location()}, // the tests' superuser
        {R"(GRANT INSERT ON "Soldier" TO varnel_report_clerk)", clerk},
        {R"(GRANT DELETE ON "Soldier" TO varnel_report_clerk)", clerk},
        {R"(GRANT TRUNCATE ON "Soldier" TO varnel_report_clerk)", clerk},
        {R"(GRANT UPDATE ("Rank") ON "Soldier" TO varnel_report_clerk)", clerk},
        // A member of a role that may write, who inherits none of its rights
        // but may become it (SET ROLE).
        {R"(DO $$ BEGIN CREATE ROLE varnel_report_writer; EXCEPTION WHEN duplicate_object THEN NULL; END $$|)"
         R"(GRANT INSERT ON "Soldier" TO varnel_report_writer|ALTER ROLE varnel_report_clerk NOINHERIT|)"
         R"(GRANT varnel_report_writer TO varnel_report_clerk)",
         clerk},
    };
    for (const auto& w : writers) {
        SCOPED_TRACE(w.grant);
        roster.exec(R"(REVOKE ALL ON "Soldier" FROM varnel_report_clerk)");
        roster.exec(R"(GRANT SELECT ON "Soldier" TO varnel_report_clerk)");
        for (const QString& statement : QString::fromUtf8(w.grant).split(u'|', Qt::SkipEmptyParts))
            roster.exec(statement);
        expectFailure([&] { rowsOf(layoutWithQuery(marks, w.location)); }, failure::WritingRole,
                      {QStringLiteral("may change")});
    }
    roster.exec(QStringLiteral("REVOKE varnel_report_writer FROM varnel_report_clerk"));
    EXPECT_EQ(rowsOf(layoutWithQuery(marks, reader)), QList<QStringList>{{"ran"}});
}

TEST(ServerReportsRole, TheQueryRunsReadOnlyAndIsStoppedAtTheEnginesLimits)
{
    RosterFile roster(RosterKind{Engine::Server, TableLayout::Standard});
    insertAll(roster, sampleSoldiers());
    const QString reader = reportRoleLocation(roster);
    ReportLimits limits;
    limits.queryMilliseconds = 1500;
    EXPECT_EQ(rowsOf(layoutWithQuery(QStringLiteral("SELECT current_setting('transaction_read_only') || ' ' || "
                                                     "current_setting('statement_timeout') AS \"Shown\""),
                                     reader),
                     limits),
              QList<QStringList>{{"on 1500ms"}});
    limits.queryMilliseconds = 200;
    expectFailure([&] { rowsOf(layoutWithQuery(QStringLiteral("SELECT pg_sleep(5) AS \"Shown\""), reader), limits); },
                  failure::QueryTimedOut, {QStringLiteral("0.2 seconds")});
    limits = {};
    limits.valueBytes = 1000;
    EXPECT_EQ(rowsOf(layoutWithQuery(QStringLiteral("SELECT repeat('x', 1000) AS \"Shown\""), reader), limits),
              QList<QStringList>{{QString(1000, u'x')}});
    expectFailure([&] { rowsOf(layoutWithQuery(QStringLiteral("SELECT repeat('x', 1001) AS \"Shown\""), reader), limits); },
                  failure::ReportTooLarge, {QStringLiteral("longer than 1000 bytes")});
}

// A query that would write is refused before anything runs; one that slips
// past the guard still finds a role and a transaction that only read.
TEST(ServerReportsRole, AQueryThatWouldDeleteLeavesEveryRecord)
{
    RosterFile roster(RosterKind{Engine::Server, TableLayout::Standard});
    insertAll(roster, sampleSoldiers());
    const QString reader = reportRoleLocation(roster);
    const int before = roster.count();
    for (const char* query : {R"(SELECT E'\'', 1 AS "Shown"; DELETE FROM "Soldier"; --')",
                              R"(WITH gone AS (DELETE FROM "Soldier" RETURNING 1) SELECT count(*) AS "Shown" FROM gone)"}) {
        SCOPED_TRACE(query);
        expectFailure([&] { rowsOf(layoutWithQuery(QString::fromUtf8(query), reader)); }, failure::QueryRefused);
    }
    EXPECT_EQ(roster.count(), before);

    // The guard aside: the role alone may not delete.
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("report-role-probe"));
    {
        const TestServer& server = testServer();
        db.setHostName(server.host);
        db.setPort(server.port);
        db.setDatabaseName(roster.database());
        db.setUserName(QLatin1String(kReportRole));
        ASSERT_TRUE(db.open()) << qPrintable(db.lastError().text());
        QSqlQuery remove(db);
        EXPECT_FALSE(remove.exec(QStringLiteral("DELETE FROM \"Soldier\"")));
        EXPECT_EQ(remove.lastError().nativeErrorCode(), QStringLiteral("42501"));
        db.close();
    }
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("report-role-probe"));
    EXPECT_EQ(roster.count(), before);
}

// A roster table made before the server's tools made the collation the
// layouts order names by: the failure says how to make it.
TEST(ServerReportsRole, AMissingNameCollationIsNamedWithTheStatementThatMakesIt)
{
    RosterFile roster(RosterKind{Engine::Server, TableLayout::Standard});
    insertAll(roster, sampleSoldiers());
    roster.exec(QStringLiteral("DROP COLLATION roster_name"));
    const QString reader = reportRoleLocation(roster);
    expectFailure([&] { rowsOf(shippedLayout(QStringLiteral("varnel_list.rpt"), reader)); }, failure::QueryFailed,
                  {QStringLiteral("CREATE COLLATION IF NOT EXISTS roster_name")});
    roster.exec(QStringLiteral("CREATE COLLATION IF NOT EXISTS roster_name (provider = icu, locale = 'und-u-ks-level1')"));
    EXPECT_EQ(rowsOf(shippedLayout(QStringLiteral("varnel_list.rpt"), reader)).size(), sampleSoldiers().size());
}

TEST(ServerReportsRole, ADatabaseWithoutARosterIsNoDataSource)
{
    const QString database = makeServerDatabase();
    expectFailure([&] { rowsOf(layoutWithQuery(QStringLiteral("SELECT 1 AS \"Shown\""), serverLocation(database))); },
                  failure::NotARoster, {QStringLiteral("no Soldier table")});
}

} // namespace

namespace {

// The engine as the window drives it: the roster on the server through the
// report address, the worksheet of one soldier by the key the window has.
TEST(ServerReportsEngine, TheWorksheetOfOneSoldierIsNarrowedByTheServersKey)
{
    for (const TableLayout tableLayout : {TableLayout::Standard, TableLayout::Rearranged}) {
        SCOPED_TRACE(tableLayout == TableLayout::Standard ? "standard" : "rearranged");
        RosterFile roster(RosterKind{Engine::Server, tableLayout});
        insertAll(roster, sampleSoldiers());
        const qint64 diaz = roster.recordNamed(QStringLiteral("Diaz, Luis")).value(roster.keyColumn().remove(u'"')).toLongLong();
        ASSERT_GT(diaz, 0);
        const QString reader = reportRoleLocation(roster);
        QTemporaryDir dir;
        const QString layout = copyShippedLayout(QStringLiteral("varnel_work.rpt"), dir.path());
        const QString pdf = dir.filePath(QStringLiteral("one.pdf"));
        ReportEngine engine(std::make_unique<PdfPresenter>(pdf, ExistingPdf::Refuse), std::make_unique<SilentProgress>(),
                            [] { return QDate(2025, 7, 4); });
        engine.setDataSource(reader);
        engine.setReportFileName(layout);
        engine.setOnlyRecord(diaz);
        engine.setAction(0);
        const QString text = pdfText(pdf);
        EXPECT_TRUE(text.contains(QStringLiteral("SSG Diaz, Luis"))) << qPrintable(text);
        EXPECT_TRUE(text.contains(QStringLiteral("MSM, ARCOM (3), LTR/COM"))) << qPrintable(text);
        EXPECT_TRUE(text.contains(QStringLiteral("Roster: %1").arg(roster.database()))) << qPrintable(text);
        for (const char* other : {"Adams", "Baker", "Evans"})
            EXPECT_FALSE(text.contains(QString::fromLatin1(other))) << other;
    }
}

} // namespace

namespace {

// A layout whose data source is the server's address prints the server's
// roster without a window: `varnel-roster report`.
TEST(ServerReportsTool, ALayoutNamingTheServerPrintsItsRosterToAPdf)
{
    RosterFile roster(RosterKind{Engine::Server, TableLayout::Standard});
    insertAll(roster, sampleSoldiers());
    QTemporaryDir dir;
    QFile shipped(copyShippedLayout(QStringLiteral("varnel_list.rpt"), dir.path()));
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    QByteArray text = shipped.readAll();
    shipped.close();
    const QByteArray fileSource = "\"dataSource\": \"Varnel_DATA.MDB\"";
    ASSERT_TRUE(text.contains(fileSource));
    const QString layout = dir.filePath(QStringLiteral("server_list.rpt"));
    const QString pdf = dir.filePath(QStringLiteral("list.pdf"));
    const QString tool = QStringLiteral(VARNEL_ROSTER_TOOL);

    const struct {
        const char* who;
        QString location;
        int exitCode;
    } cases[] = {
        {"the report role", reportRoleLocation(roster), 0},
        {"the owner, who may write", roster.location(), failure::WritingRole},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.who);
        writeFile(layout, QByteArray(text).replace(fileSource, "\"dataSource\": \"" + c.location.toUtf8() + '"'));
        QFile::remove(pdf);
        const ProgramRun run = runToEnd(tool, {"report", layout, pdf});
        if (c.exitCode == 0) {
            ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
            const QString shown = pdfText(pdf);
            EXPECT_TRUE(shown.contains(QStringLiteral("Roster: %1").arg(roster.database()))) << qPrintable(shown);
            EXPECT_GE(findRow(shown.split(u'\n'), {"1", "Diaz, Luis", "SSG"}), 0) << qPrintable(shown);
        } else {
            EXPECT_NE(run.exitCode, 0);
            EXPECT_TRUE(run.err.contains(QString::number(c.exitCode))) << run.err.toStdString();
            EXPECT_FALSE(QFileInfo::exists(pdf));
        }
    }
}

} // namespace
