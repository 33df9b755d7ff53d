#include "common/failure_numbers.h"
#include "common/name_order.h"
#include "common/server_connection.h"
#include "store/data_control.h"
#include "store/postgres_backend.h"
#include "store/record_commands.h"
#include "store/recordset.h"

#include "support/roster_file.h"

#include <QRegularExpression>
#include <algorithm>

using namespace varnel;
using namespace varnel::store;
using test::expectFailure;
using test::openAt;

namespace {

const test::RosterKind kServer{test::Engine::Server, test::TableLayout::Standard};

TEST(ServerRoster, AnAddressItCannotUseIsRefusedBeforeAnythingIsReadAndNeverShowsAPassword)
{
    const QString host = test::testServer().host;
    ASSERT_TRUE(test::testServer().error.isEmpty()) << qPrintable(test::testServer().error);
    const std::pair<QString, const char*> cases[] = { // every form libpq reads, and what the failure names
        {QStringLiteral("postgresql://clerk:secret@/roster?host=%1").arg(host), "~/.pgpass"},
        {QStringLiteral("host=%1 dbname=roster password=secret").arg(host), "~/.pgpass"},
        {QStringLiteral("POSTGRESQL:///roster?host=/nonexistent&PASSWORD=secret"), "cannot be read"},
        {QStringLiteral("postgresql://[::1/roster"), "cannot be read"},
        {QStringLiteral("postgresql:///roster?host=/nonexistent&connect_timeout=2&sslpassword=secret"),
         "postgresql:///roster (/nonexistent)"},
        {test::serverLocation(QStringLiteral("no_such_roster")), "no_such_roster"},
    };
    for (const auto& [location, mention] : cases) {
        SCOPED_TRACE(location.toStdString());
        DataControl data1;
        const auto failure = expectFailure([&] { openAt(data1, location); }, ServerError::ConnectionFailed, {mention});
        ASSERT_TRUE(failure);
        EXPECT_FALSE(failure->description().contains("secret")) << "a password is never shown";
        EXPECT_FALSE(data1.isOpen());
    }
}

TEST(ServerRoster, ATableWhoseRecordsCannotBeFoundAgainIsRefused)
{
    const std::pair<const char*, const char*> cases[] = {
        {R"(CREATE VIEW "Soldier" AS SELECT * FROM "Base")", "a view"},
        {R"(CREATE TABLE "Soldier" AS SELECT * FROM "Base")", "no primary key"},
        {R"(CREATE TABLE "Soldier" AS SELECT * FROM "Base"; ALTER TABLE "Soldier" ADD PRIMARY KEY ("ID"))", "identity"},
        {R"(CREATE TABLE "Soldier" AS SELECT * FROM "Base";
            ALTER TABLE "Soldier" ALTER "ID" TYPE text, ADD PRIMARY KEY ("ID"))",
         "no primary key"},
    };
    for (const auto& [statement, mention] : cases) {
        SCOPED_TRACE(statement);
        test::RosterFile roster(kServer);
        roster.exec(R"(ALTER TABLE "Soldier" RENAME TO "Base")");
        roster.exec(QString::fromUtf8(statement));
        DataControl data1;
        expectFailure([&] { openAt(data1, roster.location()); }, RecordsetError::BadLayout, {"\"Soldier\"", mention});
    }
}

// Values go to the server as literals escaped by libpq for the connection's
// own string rules: nothing a clerk types is ever read as SQL.
TEST(ServerRoster, WhatAClerkTypesIsStoredAsTypedUnderEitherStringRule)
{
    const QString typed = QString::fromUtf8("O'Neil \\ \\' \"x\"; DROP TABLE \"Soldier\"; -- \u00fc $$ E'\\''");
    for (const char* rule : {"on", "off"}) {
        SCOPED_TRACE(rule);
        test::RosterFile roster(kServer);
        const qint64 key = roster.insert({{"Name", "ADAMS"}});
        DataControl data1;
        openAt(data1, roster.location() + QStringLiteral("&options=-c%20standard_conforming_strings%3D") + rule);
        data1.setPending("Name", Value::text(typed));
        data1.setPending("PrefDates", Value::text(typed));
        updateRecord(data1);
        EXPECT_EQ(roster.stored(key, "Name").toString(), typed);
        EXPECT_EQ(roster.stored(key, "PrefDates").toString(), typed);
        data1.refresh();
        EXPECT_EQ(data1.shownValue("Name"), Value::text(typed)) << "and reads back as typed";
    }
}

TEST(ServerRoster, TheServersAndTheSessionsSettingsDoNotChangeWhatIsRead)
{
    test::RosterFile roster(kServer);
    roster.exec(R"(ALTER TABLE "Soldier" ALTER "TotalDate" TYPE date USING NULL)");
    roster.exec(QStringLiteral("ALTER DATABASE %1 SET DateStyle = 'SQL, DMY'").arg(roster.database()));
    roster.exec(QStringLiteral("ALTER DATABASE %1 SET client_encoding = 'LATIN1'").arg(roster.database()));
    const QString name = QString::fromUtf8("\u0110\u1eb6NG \u0141ucja");
    const qint64 key = roster.insert({{"Name", name}, {"TotalDate", QDate(2024, 3, 15)}});
    qputenv("PGCLIENTENCODING", "LATIN1");
    qputenv("PGDATESTYLE", "German");
    DataControl data1;
    roster.openIn(data1);
    qunsetenv("PGCLIENTENCODING");
    qunsetenv("PGDATESTYLE");

    EXPECT_EQ(data1.shownValue("Name"), Value::text(name));
    EXPECT_EQ(data1.shownValue("TotalDate"), Value::date(QDate(2024, 3, 15)));
    data1.setPending("Name", Value::text(name + QString::fromUtf8(" \u00e9\u4e2d")));
    data1.setPending("TotalDate", Value::date(QDate(2025, 12, 1)));
    updateRecord(data1);
    EXPECT_EQ(roster.stored(key, "Name").toString(), name + QString::fromUtf8(" \u00e9\u4e2d"));
    EXPECT_EQ(roster.stored(key, "TotalDate").toDate(), QDate(2025, 12, 1));
}

// What was stored goes into the history, which even a clerk granted every right on every table cannot change.
TEST(ServerRoster, AStoreTheServerRefusesOrLosesKeepsTheEntriesAndTheHistoryKeepsWhatWasStored)
{
    test::RosterFile roster(kServer);
    const qint64 adams = roster.insert({{"Name", "ADAMS"}});
    for (const char* role : {"reader", "allrights"})
        roster.exec(QString("DO $$ BEGIN CREATE ROLE %1 LOGIN; EXCEPTION WHEN duplicate_object THEN NULL; END $$").arg(role));
    roster.exec(R"(GRANT SELECT ON "Soldier" TO reader; GRANT ALL ON ALL TABLES IN SCHEMA public TO allrights)");
    DataControl reader;
    openAt(reader, roster.location().replace(QRegularExpression("user=[^&]*"), "user=reader"));
    reader.setPending("Rank", Value::text("SGT"));
    expectFailure([&] { updateRecord(reader); }, ServerError::NoPermission, {"42501"});
    EXPECT_EQ(reader.shownValue("Rank"), Value::text("SGT"));

    DataControl data1;
    roster.openIn(data1);
    data1.setPending("Rank", Value::text("SSG"));
    roster.exec(R"(SELECT pg_terminate_backend(pid) FROM pg_stat_activity
                   WHERE datname = current_database() AND pid <> pg_backend_pid())");
    expectFailure([&] { updateRecord(data1); }, ServerError::ConnectionFailed);
    EXPECT_TRUE(roster.stored(adams, "Rank").isNull());
    EXPECT_EQ(data1.shownValue("Rank"), Value::text("SSG")) << "the entries are kept";
    updateRecord(data1);
    EXPECT_EQ(roster.stored(adams, "Rank").toString(), "SSG");

    PostgresBackend clerk(roster.location().replace(QRegularExpression("user=[^&]*"), "user=allrights"));
    for (const char* change : {R"(UPDATE "SoldierHistory" SET "Role" = 'x')", R"(DELETE FROM "SoldierHistory")",
                               R"(TRUNCATE "SoldierHistory")", R"(INSERT INTO "SoldierHistory" ("Action") VALUES ('DELETE'))"})
        expectFailure([&] { clerk.run(QString::fromLatin1(change), "%1"); }, ServerError::NoPermission, {"allrights may not"});
    roster.exec(R"(DELETE FROM "SoldierHistory" WHERE "Entry" < 0)"); // the database's owner may
    const auto history = data1.recordset().currentHistory();
    ASSERT_TRUE(history && history->size() == 2) << "the insert and the store, kept as written";
    EXPECT_EQ(history->at(1).role, test::testServer().user);
    ASSERT_EQ(history->at(1).fields.size(), 1);
    EXPECT_EQ(history->at(1).fields[0].after, Value::text("SSG"));
}

TEST(ServerRoster, NoKeysReadNoRecordsWithoutAskingAndAKeyThatIsNoNumberIsRefused)
{
    test::RosterFile roster(kServer);
    PostgresBackend server(roster.location());
    const RecordLayout layout = server.readLayout("Soldier");
    expectFailure([&] { server.readKeys("SELECT 'x12'"); }, ServerError::TypeConversion,
                  {"\"x12\"", roster.database()});
    roster.exec("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = current_database() AND pid <> "
                "pg_backend_pid()");
    EXPECT_TRUE(server.readRecords(layout, {}).isEmpty()) << "nothing is sent to the lost connection";
}

// A large roster opens with its first page of keys in the server's order; the whole list, in the program's order,
// is taken in before anything needs more (read on a thread, or here), and holds where the server's order differs
// (a collation roster_name of bytes): the grid is read again and the current soldier stays current.
TEST(ServerRoster, ALargeRosterOpensWithItsFirstPageAndTheProgramsOrderHolds)
{
    QStringList names;
    for (int i = 0; i < 300; ++i)
        names << QStringLiteral("%1 %2").arg(i % 2 ? "de la Cruz" : "Zimmerman").arg(i, 3, 10, QChar(u'0'));
    QStringList expected = names;
    std::sort(expected.begin(), expected.end(), [](const QString& a, const QString& b) { return compareNames(a, b) < 0; });
    for (const bool bytewise : {false, true}) {
        SCOPED_TRACE(bytewise ? "bytewise" : "dictionary");
        test::RosterFile roster(kServer);
        roster.insertNames(names);
        if (bytewise)
            roster.exec(R"(DROP COLLATION roster_name CASCADE; CREATE COLLATION roster_name FROM "C";
                           CREATE INDEX ON "Soldier" ("Name" COLLATE roster_name NULLS FIRST, "ID"))");
        DataControl data1;
        data1.setFirstKeysFirst(true);
        roster.openIn(data1);
        Recordset& rs = data1.recordset();
        EXPECT_FALSE(rs.keysWhole()) << "opened with the first page";
        int resets = 0;
        QObject::connect(&data1, &DataControl::reset, [&resets] { ++resets; });
        if (!bytewise) {
            data1.readKeysBehind();
            EXPECT_EQ(data1.displayValue(299, rs.layout().indexOf("Name")).displayText(), expected.last())
                << "a row past the first page waits for the rest";
            rs.moveLast();
            EXPECT_EQ(data1.shownValue("Name").displayText(), expected.last());
        } else {
            rs.moveTo(2);
            const QString current = data1.shownValue("Name").displayText();
            EXPECT_TRUE(current.startsWith("Zimmerman")) << "the server's first page";
            rs.takeWholeKeys(true);
            EXPECT_EQ(data1.shownValue("Name").displayText(), current);
            EXPECT_EQ(rs.position(), expected.indexOf(current));
        }
        EXPECT_EQ(resets, bytewise ? 1 : 0);
        EXPECT_EQ(test::shownRows(data1), expected);
    }
}

TEST(ServerRoster, ClerksOnDifferentRecordsNeverWaitForEachOther)
{
    test::RosterFile roster(kServer);
    roster.insertNames({"ADAMS", "BAKER"});
    const auto otherClerk = test::Connection::toServer(roster.database());
    otherClerk->run("BEGIN");
    otherClerk->run(R"(SELECT * FROM "Soldier" WHERE "Name" = 'ADAMS' FOR UPDATE)");

    DataControl data1;
    openAt(data1, roster.location() + QStringLiteral("&options=-c%20lock_timeout%3D1500"));
    data1.recordset().moveTo(1);
    data1.setPending("Rank", Value::text("SGT"));
    updateRecord(data1);
    EXPECT_EQ(roster.recordNamed("BAKER").value("Rank").toString(), "SGT");

    data1.recordset().moveTo(0);
    data1.setPending("Rank", Value::text("CPL"));
    expectFailure([&] { updateRecord(data1); }, ServerError::Conflict, {"55P03"});
    otherClerk->run("ROLLBACK");
    updateRecord(data1); // the entries were kept
    EXPECT_EQ(roster.recordNamed("ADAMS").value("Rank").toString(), "CPL");
}

} // namespace
