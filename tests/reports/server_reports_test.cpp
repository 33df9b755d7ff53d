// Reports on a roster on the tests' PostgreSQL server, read through a role and a transaction that cannot change it.
#include "reports/report_data.h"
#include "reports/report_engine.h"
#include "reports/report_failures.h"
#include "reports/report_layout.h"
#include "reports/report_progress.h"

#include "report_helpers.h"

#include "common/name_order.h"
#include "store/data_control.h"
#include "support/program_run.h"

#include <QCoreApplication>
#include <QRegularExpression>

using namespace varnel;
using namespace varnel::reports;
using namespace varnel::reports::test;

namespace {

// Besides the sample: no name, a blank one, accents and case that fold alike,
// ties, every award pair, schools written loosely.
QList<QVariantMap> edgeSoldiers()
{
    QList<QVariantMap> rows = sampleSoldiers();
    rows.append({{"Rank", "PVT"}, {"TOTAL", 95}, {"NextSchool", " WLC "}});
    rows.append({{"Name", ""}, {"Rank", "PV2"}, {"TotalDate", "2024-01-02"}});
    rows.append({{"Name", "Émile, Zoë"}, {"Rank", "SGT"}, {"TOTAL", 412}, {"MSM", 1}, {"MSM2", 1}, {"AAM2", 1},
                 {"AAM3", 1}, {"LTR/COM3", 1}, {"NextSchool", "airborne"}, {"TotalDate", "2024-06-05"}});
    rows.append({{"Name", "emile, alan"}, {"Rank", "SPC"}, {"TOTAL", 412}, {"ARCOM", 0}, {"ARCOM3", 1},
                 {"NextSchool", "Airborne"}});
    rows.append({{"Name", "MÜLLER, Hans"}, {"Rank", "CPL"}, {"NextSchool", "USASMC"}, {"LTR/COM", 1}, {"LTR/COM2", 1}});
    rows.append({{"Name", "de la Cruz, Ana"}, {"Rank", "SSG"}, {"TOTAL", 0}, {"NextSchool", "SLC"}});
    return rows;
}

QString asRole(QString location, const QString& role)
{
    return location.replace(QRegularExpression(QStringLiteral("user=[^&]*")), QStringLiteral("user=") + role);
}

// `database` as a role that may read the Soldier table and nothing more.
QString readerOf(const QString& database)
{
    const auto owner = Connection::toServer(database);
    owner->run(QStringLiteral("DO $$ BEGIN CREATE ROLE varnel_report_reader LOGIN; "
                              "EXCEPTION WHEN duplicate_object OR unique_violation THEN NULL; END $$"));
    owner->run(QStringLiteral(R"(GRANT SELECT ON "Soldier" TO varnel_report_reader)"));
    return asRole(serverLocation(database), QStringLiteral("varnel_report_reader"));
}

// The shipped layout `name` naming `source` in its file, as an administrator
// names a server there; with `query`, its column Shown.
ReportLayout layoutOn(const QString& source, const QString& name, const QString& query = {})
{
    QTemporaryDir dir;
    const QString path = copyShippedLayout(name, dir.path());
    writeFile(path, fileBytes(path).replace("\"dataSource\": \"Varnel_DATA.MDB\"", "\"dataSource\": \"" + source.toUtf8() + '"'));
    ReportLayout layout = loadLayout(path);
    if (!query.isEmpty()) {
        layout.query = query;
        layout.fields.resize(1);
        layout.fields[0].field = QStringLiteral("Shown");
    }
    return layout;
}
ReportLayout queryOn(const QString& source, const QString& query) { return layoutOn(source, "varnel_list.rpt", query); }

QList<QStringList> rowsOf(const ReportLayout& layout, const ReportLimits& limits = {})
{
    SilentProgress progress;
    const std::optional<ReportData> data = readReportData(layout, progress, limits);
    QList<QStringList> rows;
    for (int r = 0; data && r < data->rowCount(); ++r) {
        rows.append(QStringList());
        for (int f = 0; f < data->fieldCount(); ++f)
            rows.last() << data->value(r, f);
    }
    return rows;
}

} // namespace

// The edge soldiers in the rearranged table on a database that orders text by its bytes, and brought by
// `varnel-roster copy` to one that orders text as a language does (ICU's en-US), as a production server's often does.
TEST(ServerReports, EveryShippedLayoutShowsOnTheServerWhatItShowsOnAFile)
{
    QTemporaryDir dir;
    const QString rearranged = dir.filePath("rearranged.mdb"), edges = dir.filePath("edges.mdb");
    writeRoster(rearranged, edgeSoldiers(), TableLayout::Rearranged);
    writeRoster(edges, edgeSoldiers());
    RosterFile rearrangedServer(RosterKind{Engine::Server, TableLayout::Rearranged});
    for (const QVariantMap& soldier : edgeSoldiers())
        rearrangedServer.insert(soldier);
    static int serial = 0;
    const QString database = QStringLiteral("varnel_en_us_%1_%2").arg(QCoreApplication::applicationPid()).arg(++serial);
    Connection::toServer(QStringLiteral("postgres"))
        ->run(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 LOCALE_PROVIDER icu ICU_LOCALE 'en-US'").arg(database));
    const ProgramRun copy = runToEnd(QStringLiteral(VARNEL_ROSTER_TOOL), {"copy", edges, serverLocation(database)});
    ASSERT_EQ(copy.exitCode, 0) << copy.err.toStdString();

    const std::pair<QString, QString> pairs[] = {{rearranged, readerOf(rearrangedServer.database())},
                                                 {edges, readerOf(database)}};
    for (const auto& [file, server] : pairs) {
        for (const char* name : {"varnel_list.rpt", "varnel_nco.rpt", "varnel_work.rpt"}) {
            SCOPED_TRACE(file.toStdString() + " " + name);
            const QList<QStringList> fromFile = rowsOf(layoutOn(file, QString::fromLatin1(name)));
            ASSERT_EQ(fromFile.size(), edgeSoldiers().size());
            EXPECT_EQ(rowsOf(layoutOn(server, QString::fromLatin1(name))), fromFile);
        }
    }

    const QString key = rearrangedServer.keyColumn().remove(u'"');
    ReportEngine engine(std::make_unique<PdfPresenter>(dir.filePath("one.pdf"), ExistingPdf::Refuse),
                        std::make_unique<SilentProgress>());
    engine.setDataSource(pairs[0].second);
    engine.setReportFileName(copyShippedLayout(QStringLiteral("varnel_work.rpt"), dir.path()));
    engine.setOnlyRecord(rearrangedServer.recordNamed("Diaz, Luis").value(key).toLongLong());
    engine.setAction(0);
    const QString text = pdfText(dir.filePath("one.pdf"));
    EXPECT_TRUE(text.contains("SSG Diaz, Luis") && text.contains("MSM, ARCOM (3), LTR/COM")) << qPrintable(text);
    EXPECT_TRUE(text.contains("Roster: " + rearrangedServer.database())) << qPrintable(text);
    for (const char* other : {"Adams", "Baker", "Evans"})
        EXPECT_FALSE(text.contains(QString::fromLatin1(other))) << other;
}

TEST(ServerReportsRole, OnlyARoleThatMayNotChangeTheRosterReadsItReadOnlyWithinTheEnginesLimits)
{
    RosterFile roster(RosterKind{Engine::Server, TableLayout::Standard});
    for (const QVariantMap& soldier : sampleSoldiers())
        roster.insert(soldier);
    const QString reader = readerOf(roster.database());
    roster.exec(R"(DO $$ BEGIN CREATE ROLE varnel_report_clerk LOGIN; EXCEPTION WHEN duplicate_object OR unique_violation THEN NULL; END $$)");
    const QString clerk = asRole(roster.location(), QStringLiteral("varnel_report_clerk"));
    const QString marks = QStringLiteral("SELECT 'ran' AS \"Shown\""); // would tell whether it ran
    const std::pair<const char*, QString> writers[] = {
        {"", roster.location()}, // the tests' superuser
        {R"(GRANT TRUNCATE ON "Soldier" TO varnel_report_clerk)", clerk},
        {R"(GRANT UPDATE ("Rank") ON "Soldier" TO varnel_report_clerk)", clerk},
        // May become a role that may write (SET ROLE), though inheriting nothing.
        {R"(DO $$ BEGIN CREATE ROLE varnel_report_writer; EXCEPTION WHEN duplicate_object THEN NULL; END $$|)"
         R"(GRANT INSERT ON "Soldier" TO varnel_report_writer|ALTER ROLE varnel_report_clerk NOINHERIT|)"
         R"(GRANT varnel_report_writer TO varnel_report_clerk)",
         clerk},
    };
    for (const auto& [grant, location] : writers) {
        SCOPED_TRACE(grant);
        roster.exec(R"(REVOKE ALL ON "Soldier" FROM varnel_report_clerk)");
        roster.exec(R"(GRANT SELECT ON "Soldier" TO varnel_report_clerk)");
        for (const QString& statement : QString::fromUtf8(grant).split(u'|', Qt::SkipEmptyParts))
            roster.exec(statement);
        expectFailure([&] { rowsOf(queryOn(location, marks)); }, failure::WritingRole, {QStringLiteral("may change")});
    }
    roster.exec(QStringLiteral("REVOKE varnel_report_writer FROM varnel_report_clerk"));
    EXPECT_EQ(rowsOf(queryOn(reader, marks)), QList<QStringList>{{"ran"}});

    ReportLimits limits;
    limits.queryMilliseconds = 1500;
    const QString settings = QStringLiteral("SELECT current_setting('transaction_read_only') || ' ' || "
                                            "current_setting('statement_timeout') AS \"Shown\"");
    EXPECT_EQ(rowsOf(queryOn(reader, settings), limits), QList<QStringList>{{"on 1500ms"}});
    limits.queryMilliseconds = 200;
    expectFailure([&] { rowsOf(queryOn(reader, QStringLiteral("SELECT pg_sleep(5) AS \"Shown\"")), limits); },
                  failure::QueryTimedOut, {QStringLiteral("0.2 seconds")});
    limits = {};
    limits.valueBytes = 1000;
    EXPECT_EQ(rowsOf(queryOn(reader, QStringLiteral("SELECT repeat('x', 1000) AS \"Shown\"")), limits),
              QList<QStringList>{{QString(1000, u'x')}});
    expectFailure([&] { rowsOf(queryOn(reader, QStringLiteral("SELECT repeat('x', 1001) AS \"Shown\"")), limits); },
                  failure::ReportTooLarge, {QStringLiteral("longer than 1000 bytes")});
    expectFailure([&] { rowsOf(queryOn(reader, QStringLiteral("SELECT repeat('é', 501) AS \"Shown\"")), limits); },
                  failure::ReportTooLarge, {QStringLiteral("longer than 1000 bytes")});

    // What the server lacks is named: a roster, or the collation of names (a
    // table made before the server's tools made it).
    expectFailure([&] { rowsOf(queryOn(serverLocation(makeServerDatabase()), marks)); }, failure::NotARoster,
                  {QStringLiteral("no Soldier table")});
    roster.exec(QStringLiteral("DROP COLLATION roster_name CASCADE"));
    expectFailure([&] { rowsOf(layoutOn(reader, QStringLiteral("varnel_list.rpt"))); }, failure::QueryFailed,
                  {QStringLiteral("CREATE COLLATION IF NOT EXISTS roster_name")});
    roster.exec(QStringLiteral("CREATE COLLATION IF NOT EXISTS roster_name (provider = icu, locale = 'und-u-ks-level1')"));
    EXPECT_EQ(rowsOf(layoutOn(reader, QStringLiteral("varnel_list.rpt"))).size(), sampleSoldiers().size());
}

// One order of names wherever names are listed: the program's own comparison, the grid and a report on a file, the
// grid and a report on a server roster. Case, accents, letters without a decomposition, particles, characters above
// U+FFFF and from U+E000 (whose UTF-16 and UTF-8 orders differ), blanks, names equal but for case or accents or a
// character the order passes over, the same name twice.
TEST(NameOrder, TheGridTheReportsAndAServerListHardNamesInOneOrder)
{
    QStringList names;
    for (const char* name : {"Adams", "adams", "ÁDAMS", "Ａdams", "\U0001D400dams", "Øberg", "Oberg", "Oates", "O'Brien",
                             "O Brien", "Obrien", "de la Cruz", "Delacroix", "Davis", "Evans", "van Buren", "Van Buren",
                             "straße", "Strasse", "Zoë", "zoe", "Ærø", "Aero", "MÜLLER", "Müller", "Muller", "한",
                             "\u1112\u1161\u11AB", "\U00020000", "\uE000", "~Tilde", "1st", "", " ", "  Adams", "MULLER",
                             "MUL\u0001LER", "mUlLeR", "Adams"})
        names << QString::fromUtf8(name);
    names << QString(66, u'a') + u'B' << QString(66, u'A') + u'b'; // case past the 64th letter
    QStringList expected = names;
    std::sort(expected.begin(), expected.end(), [](const QString& a, const QString& b) { return compareNames(a, b) < 0; });
    expected.prepend(QString()); // a soldier with no name comes first
    EXPECT_EQ(expected.indexOf("Øberg") - expected.indexOf("Oberg"), 1) << "the dictionary's order, not the code points'";

    for (const Engine engine : {Engine::File, Engine::Server}) {
        SCOPED_TRACE(engine == Engine::File ? "file" : "server");
        RosterFile roster(RosterKind{engine, TableLayout::Standard});
        roster.insert({{"Rank", "PVT"}});
        roster.insertNames(names);
        store::DataControl grid;
        roster.openIn(grid);
        EXPECT_EQ(shownRows(grid), expected);
        const QString source = roster.onServer() ? readerOf(roster.database()) : roster.location();
        QStringList listed;
        for (const QStringList& row : rowsOf(queryOn(source, QStringLiteral(R"(SELECT "Name" AS "Shown" FROM "Soldier")"
                                                                            R"( ORDER BY "Name" COLLATE ROSTER_NAME NULLS FIRST)"))))
            listed << row.value(0);
        EXPECT_EQ(listed, expected);
    }
}
