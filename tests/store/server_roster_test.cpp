// What only a roster on a PostgreSQL server does: its address, tables it
// cannot keep a roster in, the server's failures as numbered ones, a lost
// connection, and clerks on several connections at once.
#include "common/failure_numbers.h"
#include "store/data_control.h"
#include "store/postgres_backend.h"
#include "store/record_commands.h"
#include "store/recordset.h"

#include "support/roster_file.h"

#include <QDate>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

using namespace varnel;
using namespace varnel::store;
using test::expectFailure;

namespace {

const test::RosterKind kServer{test::Engine::Server, test::TableLayout::Standard};

TEST(ServerRoster, TheServersFailuresCarryTheirNumbersAndSqlState)
{
    const struct {
        const char* state;
        int number;
    } cases[] = {
        {"08006", ServerError::ConnectionFailed}, {"57P01", ServerError::ConnectionFailed},
        {"53300", ServerError::ConnectionFailed}, {"28P01", ServerError::LoginRefused},
        {"42501", ServerError::NoPermission},     {"23505", ServerError::DuplicateKey},
        {"40001", ServerError::Conflict},         {"40P01", ServerError::Conflict},
        {"55P03", ServerError::Conflict},         {"22P02", ServerError::TypeConversion},
        {"22008", ServerError::TypeConversion},   {"42804", ServerError::TypeConversion},
        {"42P01", ServerError::CallFailed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.state);
        const Failure f = serverFailure(QSqlError(QString(), QStringLiteral("the reason"), QSqlError::StatementError,
                                                  QString::fromLatin1(c.state)),
                                        QStringLiteral("Cannot save"));
        EXPECT_EQ(f.number(), c.number);
        EXPECT_EQ(f.description(), QStringLiteral("Cannot save: the reason (SQLSTATE %1).").arg(QString::fromLatin1(c.state)));
    }
    // The client's own failure has no SQLSTATE: the connection is gone.
    EXPECT_EQ(serverFailure(QSqlError(QStringLiteral("server closed the connection"), QString(), QSqlError::ConnectionError),
                            QStringLiteral("Cannot save"))
                  .number(),
              ServerError::ConnectionFailed);
}

TEST(ServerRoster, AnAddressItCannotUseIsRefusedBeforeAnythingIsRead)
{
    const test::TestServer& server = test::testServer();
    ASSERT_TRUE(server.error.isEmpty()) << qPrintable(server.error);
    const struct {
        const char* why;
        QString location;
        int number;
        QStringList mentions;
    } cases[] = {
        {"a password in the address",
         QStringLiteral("postgresql://clerk:secret@/roster?host=%1").arg(server.host),
         ServerError::ConnectionFailed,
         {"~/.pgpass"}},
        // Every form libpq reads is a server's address, and only its host,
        // port, database and user are ever shown.
        {"a password in keyword=value form", QStringLiteral("host=%1 dbname=roster password=secret").arg(server.host),
         ServerError::ConnectionFailed, {"~/.pgpass"}},
        {"an address in capitals with a password", QStringLiteral("POSTGRESQL:///roster?host=/nonexistent&PASSWORD=secret"),
         ServerError::ConnectionFailed, {"cannot be read"}},
        {"an address libpq cannot read", QStringLiteral("postgresql://[::1/roster"), ServerError::ConnectionFailed,
         {"cannot be read"}},
        {"no server there", QStringLiteral("postgresql:///roster?host=/nonexistent&connect_timeout=2&sslpassword=secret"),
         ServerError::ConnectionFailed, {"postgresql:///roster (/nonexistent)"}},
        {"no such database", test::serverLocation(QStringLiteral("no_such_roster")), ServerError::ConnectionFailed,
         {"no_such_roster"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        DataControl data1;
        data1.setDatabaseName(c.location);
        const auto failure = expectFailure([&] { data1.refresh(); }, c.number, c.mentions);
        ASSERT_TRUE(failure);
        EXPECT_FALSE(failure->description().contains("secret")) << "a password is never shown";
        EXPECT_FALSE(data1.isOpen());
    }
}

TEST(ServerRoster, ATableWhoseRecordsCannotBeFoundAgainIsRefused)
{
    const struct {
        const char* why;
        const char* statement;
        const char* mention;
    } cases[] = {
        {"a view", R"(CREATE VIEW "Soldier" AS SELECT * FROM "Base")", "a view"},
        {"no primary key", R"(CREATE TABLE "Soldier" AS SELECT * FROM "Base")", "no primary key"},
        {"a key the server does not fill",
         R"(CREATE TABLE "Soldier" AS SELECT * FROM "Base"; ALTER TABLE "Soldier" ADD PRIMARY KEY ("ID"))", "identity"},
        {"a key of text",
         R"(CREATE TABLE "Soldier" AS SELECT * FROM "Base"; ALTER TABLE "Soldier" ALTER "ID" TYPE text, ADD PRIMARY KEY ("ID"))",
         "no primary key"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        test::RosterFile roster(kServer);
        roster.exec(R"(ALTER TABLE "Soldier" RENAME TO "Base")");
        roster.exec(QString::fromUtf8(c.statement));
        DataControl data1;
        data1.setDatabaseName(roster.location());
        expectFailure([&] { data1.refresh(); }, RecordsetError::BadLayout, {"\"Soldier\"", c.mention});
    }
}

// Values go to the server as literals escaped by libpq for the connection's
// own string rules: whatever a clerk types is stored as typed, and nothing
// in it is ever read as SQL.
TEST(ServerRoster, WhatAClerkTypesIsStoredAsTypedUnderEitherStringRule)
{
    const QString typed = QString::fromUtf8("O'Neil \\ \\' \"x\"; DROP TABLE \"Soldier\"; -- \u00fc $$ E'\\''");
    for (const char* rule : {"on", "off"}) {
        SCOPED_TRACE(rule);
        test::RosterFile roster(kServer);
        const qint64 key = roster.insert({{"Name", "ADAMS"}});
        DataControl data1;
        data1.setDatabaseName(roster.location() + QStringLiteral("&options=-c%20standard_conforming_strings%3D") + rule);
        data1.setRecordSource(kRosterQuery);
        data1.refresh();
        data1.setPending("Name", Value::text(typed));
        data1.setPending("PrefDates", Value::text(typed));
        updateRecord(data1);
        EXPECT_EQ(roster.stored(key, "Name").toString(), typed);
        EXPECT_EQ(roster.stored(key, "PrefDates").toString(), typed);
        data1.refresh();
        EXPECT_EQ(data1.shownValue("Name"), Value::text(typed)) << "and reads back as typed";
    }
}

// The store asks for UTF-8 text and ISO dates when it connects: neither the
// database's own defaults nor the clerk's environment change what it reads
// and writes.
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
    const QString renamed = name + QString::fromUtf8(" \u00e9\u4e2d");
    data1.setPending("Name", Value::text(renamed));
    data1.setPending("TotalDate", Value::date(QDate(2025, 12, 1)));
    updateRecord(data1);
    EXPECT_EQ(roster.stored(key, "Name").toString(), renamed);
    EXPECT_EQ(roster.stored(key, "TotalDate").toDate(), QDate(2025, 12, 1));
}

// Server options of the clerk's own, in the address or in PGOPTIONS, still
// reach the server: here a search path that finds another Soldier table.
TEST(ServerRoster, TheClerksOwnServerOptionsAreKept)
{
    test::RosterFile roster(kServer);
    roster.insertNames({"ADAMS"});
    roster.exec(R"(CREATE SCHEMA elsewhere; CREATE TABLE elsewhere."Soldier" (LIKE public."Soldier" INCLUDING ALL))");
    roster.exec(R"(INSERT INTO elsewhere."Soldier" ("Name") VALUES ('BAKER'))");
    const struct {
        const char* how;
        QString address;
        QByteArray environment;
    } cases[] = {
        {"in the address", roster.location() + QStringLiteral("&options=-c%20search_path%3Delsewhere"), {}},
        {"in PGOPTIONS", roster.location(), "-c search_path=elsewhere"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        if (!c.environment.isEmpty())
            qputenv("PGOPTIONS", c.environment);
        DataControl data1;
        data1.setDatabaseName(c.address);
        data1.setRecordSource(kRosterQuery);
        data1.refresh();
        qunsetenv("PGOPTIONS");
        EXPECT_EQ(data1.shownValue("Name"), Value::text("BAKER"));
    }
}

// The names are handed on while the server still sends them. A failure on
// the way, the server's or the reader's own, ends the read with that
// failure, and the connection is ready for the next statement.
TEST(ServerRoster, AReadThatFailsHalfwayLeavesTheConnectionReady)
{
    test::RosterFile roster(kServer);
    const QString halfway = QStringLiteral(
        "SELECT g, CASE WHEN g < 5000 THEN 'x' ELSE (1 / (g - g))::text END FROM generate_series(1, 10000) AS g");
    const QString whole = QStringLiteral("SELECT g, 'x' FROM generate_series(1, 10000) AS g");
    PostgresBackend backend(roster.location());
    int handed = 0;
    expectFailure([&] { backend.readKeyedTexts(halfway, [&handed](qint64, auto) { ++handed; }); }, ServerError::TypeConversion,
                  {"22012"});
    EXPECT_GT(handed, 0) << "rows came before the failure";
    EXPECT_THROW(backend.readKeyedTexts(whole, [](qint64 key, auto) {
                     if (key == 3)
                         throw std::runtime_error("the reader's own failure");
                 }),
                 std::runtime_error);
    handed = 0;
    backend.readKeyedTexts(whole, [&handed](qint64, auto) { ++handed; });
    EXPECT_EQ(handed, 10000);
    EXPECT_EQ(backend.readKeys(QStringLiteral("SELECT 7")), QList<qint64>{7});
}

// A clerk whose role may only read: the roster opens, and a store fails
// with the server's refusal while the entries stay pending.
TEST(ServerRoster, AClerkWithoutTheRightToWriteKeepsTheEntries)
{
    test::RosterFile roster(kServer);
    roster.insertNames({"ADAMS"});
    roster.exec(R"(DO $$ BEGIN CREATE ROLE reader LOGIN; EXCEPTION WHEN duplicate_object THEN NULL; END $$)");
    roster.exec(R"(GRANT SELECT ON "Soldier" TO reader)");
    DataControl data1;
    data1.setDatabaseName(roster.location().replace(QRegularExpression("user=[^&]*"), "user=reader"));
    data1.setRecordSource(kRosterQuery);
    data1.refresh();
    data1.setPending("Rank", Value::text("SGT"));
    expectFailure([&] { updateRecord(data1); }, ServerError::NoPermission, {"42501"});
    EXPECT_EQ(data1.shownValue("Rank"), Value::text("SGT"));
    EXPECT_TRUE(roster.recordNamed("ADAMS").value("Rank").isNull());
}

// The server ends the connection (a restart, a network fault): the command
// that finds it fails and keeps the entries; the next one connects again.
TEST(ServerRoster, ALostConnectionKeepsTheEntriesAndTheNextCommandConnectsAgain)
{
    test::RosterFile roster(kServer);
    const qint64 adams = roster.insert({{"Name", "ADAMS"}});
    DataControl data1;
    roster.openIn(data1);
    data1.setPending("Rank", Value::text("SGT"));
    roster.exec(R"(SELECT pg_terminate_backend(pid) FROM pg_stat_activity
                   WHERE datname = current_database() AND pid <> pg_backend_pid())");

    expectFailure([&] { updateRecord(data1); }, ServerError::ConnectionFailed);
    EXPECT_TRUE(roster.stored(adams, "Rank").isNull());
    EXPECT_EQ(data1.shownValue("Rank"), Value::text("SGT")) << "the entries are kept";

    updateRecord(data1);
    EXPECT_EQ(roster.stored(adams, "Rank").toString(), "SGT");
}

// Another clerk in the middle of a write holds one record; storing any other
// record does not wait for it, and the record held gives the conflict once
// the wait runs out.
TEST(ServerRoster, ClerksOnDifferentRecordsNeverWaitForEachOther)
{
    test::RosterFile roster(kServer);
    roster.insertNames({"ADAMS", "BAKER"});
    const QString location = roster.location() + QStringLiteral("&options=-c%20lock_timeout%3D1500");

    QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("other-clerk"));
    {
        other.setHostName(test::testServer().host);
        other.setPort(test::testServer().port);
        other.setUserName(test::testServer().user);
        other.setDatabaseName(roster.database());
        ASSERT_TRUE(other.open()) << qPrintable(other.lastError().text());
        QSqlQuery hold(other);
        ASSERT_TRUE(hold.exec(QStringLiteral("BEGIN")));
        ASSERT_TRUE(hold.exec(QStringLiteral(R"(SELECT * FROM "Soldier" WHERE "Name" = 'ADAMS' FOR UPDATE)")));

        DataControl data1;
        data1.setDatabaseName(location);
        data1.setRecordSource(kRosterQuery);
        data1.refresh();
        data1.recordset().moveTo(1);
        data1.setPending("Rank", Value::text("SGT"));
        updateRecord(data1);
        EXPECT_EQ(roster.recordNamed("BAKER").value("Rank").toString(), "SGT");

        data1.recordset().moveTo(0);
        data1.setPending("Rank", Value::text("CPL"));
        expectFailure([&] { updateRecord(data1); }, ServerError::Conflict, {"55P03"});
        EXPECT_EQ(data1.shownValue("Rank"), Value::text("CPL"));
        hold.exec(QStringLiteral("ROLLBACK"));
        updateRecord(data1);
        EXPECT_EQ(roster.recordNamed("ADAMS").value("Rank").toString(), "CPL");
        other.close();
    }
    other = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("other-clerk"));
}

} // namespace

// The report layouts order names by `COLLATE ROSTER_NAME`; on the server
// that is the collation the table's statements make. Its order is the one
// the roster is shown in: blanks first, then without regard to case or
// accents, names alike in that by their exact text. (The server's
// dictionary orders punctuation marks among themselves its own way: a
// hyphen before a comma where they are the first difference, which these
// names avoid; docs/server.md says so.)
TEST(ServerRoster, TheReportsNameCollationOrdersNamesAsTheRosterShowsThem)
{
    const QVariantList names = {
        "Müller, Hans", "muller, anna", "Muller, Hans", "de la Cruz, Ana", "Davis, Bo", "Evans, Kim",
        "O'Brien, Pat", "Oakes, Lee", "Smyth-Jones, Al", "Smithson, Ed", "Smith-Jones", "Smith Zoe",
        QVariant(QMetaType(QMetaType::QString)), "", "Émile, Zola", "emile, alan", "Ängström, Åke",
        "ZZ Top", "zz top", "Zoë", "Zoe", "ADAMS", "adams", "Adams2", "Adams 3", "Ñúñez, José", "Nunez, Jose"};
    for (const test::TableLayout layout : {test::TableLayout::Standard, test::TableLayout::Rearranged}) {
        SCOPED_TRACE(layout == test::TableLayout::Standard ? "standard" : "rearranged");
        test::RosterFile roster(test::RosterKind{test::Engine::Server, layout});
        for (const QVariant& name : names)
            roster.insert({{"Name", name}});
        DataControl data1;
        roster.openIn(data1);
        const QStringList shown = test::shownRows(data1);

        auto server = test::Connection::toServer(roster.database());
        QStringList ordered;
        for (const QVariantMap& row :
             server->rows(R"(SELECT "Name" FROM "Soldier" ORDER BY "Name" COLLATE ROSTER_NAME NULLS FIRST)"))
            ordered << row.value("Name").toString();
        EXPECT_EQ(ordered, shown);
    }
}
