// The query guard's cases read by a PostgreSQL server of the test's own. What
// the guard lets through must be, to the server's parser, one statement that
// only reads; the texts it refuses because PostgreSQL splits them must really
// run a second statement there. A machine without PostgreSQL fails these tests
// rather than skipping them: scripts/install-deps.sh installs it.
#include "reports/query_guard.h"

#include "common/failure.h"
#include "support/pg_cluster.h"
#include "support/query_guard_cases.h"
#include "tests/fuzz/postgres_statements.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>
#include <libpq-fe.h>

#include <memory>

using varnel::test::PgCluster;

namespace {

const QString kOwner = QStringLiteral("guard_owner");
const QString kReader = QStringLiteral("guard_reader");
// What the server says when one Parse message holds more than one statement.
const char* const kMultipleCommands = "cannot insert multiple commands into a prepared statement";

bool guardRefuses(const QString& query)
{
    try {
        varnel::reports::refuseWritingQuery(query, QStringLiteral("/layouts/server.rpt"));
        return false;
    } catch (const varnel::Failure&) {
        return true;
    }
}

// A plain libpq connection: its Parse message (PQprepare) takes exactly one
// statement, which is how the server's own parser is asked to count.
struct PgConnection {
    explicit PgConnection(const QByteArray& connectionString) : conn(PQconnectdb(connectionString.constData())) {}
    ~PgConnection() { PQfinish(conn); }
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    bool ok() const { return PQstatus(conn) == CONNECTION_OK; }

    // Empty when the server parses `sql` into one prepared statement,
    // otherwise its message.
    QString prepare(const QByteArray& sql)
    {
        PGresult* result = PQprepare(conn, "", sql.constData(), 0, nullptr);
        const QString message = PQresultStatus(result) == PGRES_COMMAND_OK
                                    ? QString()
                                    : QString::fromUtf8(PQresultErrorMessage(result)).trimmed();
        PQclear(result);
        return message;
    }

    void exec(const char* sql)
    {
        PGresult* result = PQexec(conn, sql);
        PQclear(result);
    }

    PGconn* conn;
};

class QueryGuardOnServer : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        cluster_ = new PgCluster;
        if (cluster_->started())
            setUpRoster();
    }

    static void TearDownTestSuite()
    {
        for (const QString& name : QSqlDatabase::connectionNames())
            QSqlDatabase::removeDatabase(name);
        delete cluster_;
        cluster_ = nullptr;
    }

    void SetUp() override
    {
        ASSERT_TRUE(cluster_->started())
            << "No PostgreSQL server could be started for the query guard's server tests (scripts/install-deps.sh "
               "installs postgresql-15): "
            << cluster_->error().toStdString();
        ASSERT_TRUE(setUpError_.isEmpty()) << setUpError_.toStdString();
    }

    // The Soldier table as the roster makes it, owned by a role of its own,
    // with a reader allowed to SELECT only.
    static void setUpRoster()
    {
        QSqlDatabase admin = cluster_->open(QStringLiteral("guard_admin"));
        if (!admin.isOpen()) {
            setUpError_ = QStringLiteral("no QPSQL connection to the test's server (libqt6sql6-psql): ")
                          + admin.lastError().text();
            return;
        }
        QFile schema(QStringLiteral(VARNEL_SOURCE_DIR "/docs/soldier-table.sql"));
        if (!schema.open(QIODevice::ReadOnly)) {
            setUpError_ = schema.errorString();
            return;
        }
        const QStringList steps{
            QStringLiteral("CREATE ROLE %1 LOGIN").arg(kOwner),
            QStringLiteral("CREATE ROLE %1 LOGIN").arg(kReader),
            QStringLiteral("GRANT CREATE ON SCHEMA public TO %1").arg(kOwner),
            // The server's warnings on backslashes in '...' are expected here.
            QStringLiteral("ALTER ROLE %1 SET client_min_messages = error").arg(kOwner),
            QStringLiteral("ALTER ROLE %1 SET client_min_messages = error").arg(kReader),
            QStringLiteral("SET ROLE %1").arg(kOwner),
            QString::fromUtf8(schema.readAll()),
            QStringLiteral(R"(INSERT INTO "Soldier" ("ID", "Name", "Rank", "TOTAL")
                              VALUES (1, 'Able, A', 'SGT', 700), (2, 'Baker, B', 'SPC', 650))"),
            QStringLiteral(R"(GRANT SELECT ON "Soldier" TO %1)").arg(kReader),
            QStringLiteral("RESET ROLE"),
        };
        QSqlQuery query(admin);
        for (const QString& step : steps) {
            if (!query.exec(step)) {
                setUpError_ = step + QStringLiteral(": ") + query.lastError().text();
                return;
            }
        }
    }

    // Soldiers left after running `sql` whole, as the simple query protocol
    // sends it, as the table's owner, in a transaction rolled back after.
    static int soldiersLeftAfter(const QString& sql, bool standardStrings, QString* error)
    {
        QSqlDatabase db = cluster_->open(QStringLiteral("guard_owner"), kOwner);
        QSqlQuery query(db);
        db.transaction();
        if (!standardStrings)
            query.exec(QStringLiteral("SET LOCAL standard_conforming_strings = off"));
        if (!query.exec(sql))
            *error = query.lastError().text();
        int left = -1;
        if (query.exec(QStringLiteral(R"(SELECT count(*) FROM "Soldier")")) && query.next())
            left = query.value(0).toInt();
        db.rollback();
        return left;
    }

    static inline PgCluster* cluster_ = nullptr;
    static inline QString setUpError_;
};

TEST_F(QueryGuardOnServer, ListensOnlyOnItsSocket)
{
    QSqlDatabase db = cluster_->open(QStringLiteral("guard_admin"));
    QSqlQuery query(db);
    ASSERT_TRUE(query.exec(QStringLiteral("SHOW listen_addresses")) && query.next()) << query.lastError().text().toStdString();
    EXPECT_EQ(query.value(0).toString(), QString());
}

TEST_F(QueryGuardOnServer, WhatTheGuardLetsThroughIsOneReadingStatementToTheServer)
{
    PgConnection reader(cluster_->connectionString(kReader));
    ASSERT_TRUE(reader.ok()) << PQerrorMessage(reader.conn);
    QSqlDatabase db = cluster_->open(QStringLiteral("guard_reader"), kReader);
    ASSERT_TRUE(db.isOpen()) << db.lastError().text().toStdString();

    int ran = 0;
    for (const auto& c : varnel::test::kGuardCases) {
        if (c.refused)
            continue;
        SCOPED_TRACE(c.query);
        const QString text = QString::fromUtf8(c.query);
        ASSERT_FALSE(guardRefuses(text));
        // With standard_conforming_strings off too: the guard reads '...'
        // both ways. A text the server cannot parse at all runs nothing; one
        // that it can must be a single statement.
        for (const char* setting : {"on", "off"}) {
            reader.exec(QByteArray("SET standard_conforming_strings = ").append(setting).constData());
            const QString parse = reader.prepare(text.toUtf8());
            EXPECT_FALSE(parse.contains(QString::fromUtf8(kMultipleCommands)))
                << "standard_conforming_strings " << setting;
        }
        reader.exec("SET standard_conforming_strings = on");
        if (!reader.prepare(text.toUtf8()).isEmpty())
            continue;
        // One statement: it runs in a read-only transaction as a role that
        // may only SELECT, and neither stops it.
        QSqlQuery query(db);
        db.transaction();
        query.exec(QStringLiteral("SET TRANSACTION READ ONLY"));
        const bool ok = query.exec(text);
        const QString state = query.lastError().nativeErrorCode();
        db.rollback();
        EXPECT_TRUE(ok) << query.lastError().text().toStdString();
        EXPECT_NE(state, QStringLiteral("25006")) << "it tried to write";
        EXPECT_NE(state, QStringLiteral("42501")) << "it needed more than SELECT";
        ++ran;
    }
    // Most of the accepted texts are PostgreSQL too; were none of them run,
    // this test would prove nothing.
    EXPECT_GE(ran, 15);
}

TEST_F(QueryGuardOnServer, RefusesEveryTextTheServerReadsAsMoreThanOneStatement)
{
    PgConnection reader(cluster_->connectionString(kReader));
    ASSERT_TRUE(reader.ok()) << PQerrorMessage(reader.conn);
    int split = 0;
    for (const auto& c : varnel::test::kGuardCases) {
        for (const char* setting : {"on", "off"}) {
            reader.exec(QByteArray("SET standard_conforming_strings = ").append(setting).constData());
            if (!reader.prepare(QByteArray(c.query)).contains(QString::fromUtf8(kMultipleCommands)))
                continue;
            SCOPED_TRACE(std::string(c.query) + "\n  standard_conforming_strings " + setting);
            EXPECT_TRUE(c.refused);
            EXPECT_TRUE(guardRefuses(QString::fromUtf8(c.query)));
            ++split;
        }
    }
    EXPECT_GE(split, 10);
}

TEST_F(QueryGuardOnServer, TheTextsTheGuardRefusesForSplittingRunASecondStatementOnTheServer)
{
    PgConnection owner(cluster_->connectionString(kOwner));
    ASSERT_TRUE(owner.ok()) << PQerrorMessage(owner.conn);
    for (const auto& c : varnel::test::kPostgresSplits) {
        SCOPED_TRACE(c.query);
        const QString text = QString::fromUtf8(c.query);
        EXPECT_TRUE(guardRefuses(text));

        owner.exec(c.standardStrings ? "SET standard_conforming_strings = on"
                                     : "SET standard_conforming_strings = off");
        EXPECT_TRUE(owner.prepare(text.toUtf8()).contains(QString::fromUtf8(kMultipleCommands)));

        QString error;
        EXPECT_EQ(soldiersLeftAfter(text, c.standardStrings, &error), 0) << error.toStdString();
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        EXPECT_EQ(soldiersLeftAfter(QStringLiteral(R"(SELECT count(*) FROM "Soldier")"), true, &error), 2);
    }
}

// The fuzzer holds the guard against a reading of PostgreSQL's scanner rules
// of its own; here that reading is held against the server.
TEST_F(QueryGuardOnServer, TheFuzzersReadingOfPostgreSQLCountsStatementsAsTheServerDoes)
{
    PgConnection reader(cluster_->connectionString(kReader));
    ASSERT_TRUE(reader.ok()) << PQerrorMessage(reader.conn);
    QList<QByteArray> texts;
    for (const auto& c : varnel::test::kGuardCases)
        texts.append(c.query);
    for (const auto& c : varnel::test::kPostgresSplits)
        texts.append(c.query);
    for (const bool standardStrings : {true, false}) {
        reader.exec(standardStrings ? "SET standard_conforming_strings = on" : "SET standard_conforming_strings = off");
        for (const QByteArray& text : texts) {
            SCOPED_TRACE(text.toStdString() + (standardStrings ? "" : "\n  standard_conforming_strings off"));
            const auto counted = varnel::fuzz::postgresStatements(QString::fromUtf8(text), standardStrings);
            const QString parse = reader.prepare(text);
            if (!counted)
                EXPECT_FALSE(parse.isEmpty()) << "the server scans what the reading cannot";
            else if (*counted > 1)  // unless a syntax error stops the server's parser first
                EXPECT_FALSE(parse.isEmpty());
            else
                EXPECT_FALSE(parse.contains(QString::fromUtf8(kMultipleCommands)));
        }
    }
}

} // namespace
