#pragma once

#include "common/failure.h"
#include "store/bound_control.h"
#include "store/data_control.h"

#include <QSqlQuery>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <gtest/gtest.h>
#include <optional>

// Readable failures for Qt values.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QStringList& list, std::ostream* out) { *out << "[\"" << list.join("\", \"").toStdString() << "\"]"; }
inline void PrintTo(const QVariant& value, std::ostream* out)
{
    *out << (value.isNull() ? std::string("NULL") : (QString(value.typeName()) + " " + value.toString()).toStdString());
}

namespace varnel::test {

// A connection of its own to the SQLite file at `path`, or to a database on
// the tests' PostgreSQL server, as another program would have, for as long
// as it lives. Creates the file if need be. What it reads is in the file's
// encodings whichever the engine: Yes/No as 1 and 0, dates as ISO text.
class Connection {
public:
    explicit Connection(const QString& path);
    // To the database `database` on the tests' server (testServer()).
    static std::unique_ptr<Connection> toServer(const QString& database);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    QSqlQuery run(const QString& sql, const QVariantList& values = {}) const;
    qint64 insert(const QVariantMap& columns) const;
    // Every row of the result, column name -> value.
    QList<QVariantMap> rows(const QString& sql, const QVariantList& values = {}) const;
    // The record key's column, quoted.
    QString keyName() const;

private:
    Connection() = default;
    const QStringList& booleanColumns() const;
    QString name_;
    bool server_ = false;
    // On the server: the columns of type boolean, which take no numbers,
    // and the primary key; read from the catalog when first needed.
    mutable std::optional<QStringList> booleans_;
    mutable QString keyName_;
};

// The PostgreSQL server the server-roster tests share: the one the test run
// started (CTest's fixture, scripts/pg-cluster.sh), else one of this test
// program's own, started on first use and stopped when the tests end.
struct TestServer {
    QString host; // the socket's folder
    int port = 0;
    QString user; // a superuser
    QString error; // why there is none
};
const TestServer& testServer();
// The server roster's address for the database `database`.
QString serverLocation(const QString& database);
// Makes a new, empty database on the tests' server; gives its name.
QString makeServerDatabase();

// The two table arrangements the roster tests run on: the one
// `varnel-roster create` writes, and one with the free columns in another
// order, another key, the evaluation pair swapped, other declared types and
// extra columns after TOTAL.
enum class TableLayout { Standard, Rearranged };
inline const auto kBothLayouts = ::testing::Values(TableLayout::Standard, TableLayout::Rearranged);
std::string layoutName(const ::testing::TestParamInfo<TableLayout>& info);

// Where a roster lives: a file (SQLite), or a table on a PostgreSQL server.
enum class Engine { File, Server };
struct RosterKind {
    Engine engine = Engine::File;
    TableLayout layout = TableLayout::Standard;
};
// Both engines in both table layouts: what every roster behaviour is
// tested on.
inline const auto kEveryRoster = ::testing::Values(RosterKind{Engine::File, TableLayout::Standard},
                                                   RosterKind{Engine::File, TableLayout::Rearranged},
                                                   RosterKind{Engine::Server, TableLayout::Standard},
                                                   RosterKind{Engine::Server, TableLayout::Rearranged});
std::string rosterName(const ::testing::TestParamInfo<RosterKind>& info);

// Writes a new roster file at `path`: the Soldier table in `layout` and the
// rows (column name -> value; columns left out stay NULL).
void writeRoster(const QString& path, const QList<QVariantMap>& rows = {}, TableLayout layout = TableLayout::Standard);
// Runs one statement on the SQLite file at `path`, creating the file if need be.
void execOn(const QString& path, const QString& sql);

// A roster file (Varnel_DATA.MDB) in a temporary folder, or a roster on the
// tests' server in a database of its own, read back through a connection of
// its own as another program would. SQL given to exec() quotes its names
// ("Soldier", "Name"), which both engines then read alike.
class RosterFile {
public:
    explicit RosterFile(TableLayout layout = TableLayout::Standard);
    explicit RosterFile(RosterKind kind);
    ~RosterFile();

    bool onServer() const { return kind_.engine == Engine::Server; }
    QString directory() const { return dir_.path(); }
    // The roster file's path (a file roster only).
    QString path() const;
    // The server roster's database.
    QString database() const { return database_; }
    // What the binding opens: the file's path, or the server's address.
    QString location() const;
    // The record key's column, quoted: SQLite's row key, or the server
    // table's primary key.
    QString keyColumn() const;
    // Inserts a record; returns its key.
    qint64 insert(const QVariantMap& columns);
    QList<qint64> insertNames(const QStringList& names);
    void exec(const QString& sql) const;
    // Runs `sql` in another process, as another program would: the sqlite3
    // shell on the file, psql on the server. Gives its exit code.
    int runInAnotherProgram(const QString& sql) const;
    // Opens the roster in `data1` as the window does: in name order.
    void openIn(store::DataControl& data1) const;

    QVariant stored(qint64 key, const QString& column) const { return record(key).value(column); }
    // The stored record with this key (every column); empty when there is none.
    QVariantMap record(qint64 key) const;
    QVariantMap recordNamed(const QString& name) const;
    // Every record in key order.
    QList<QVariantMap> records() const;
    int count() const { return int(records().size()); }
    // The names in key order.
    QStringList names() const;
    // The table's columns in its order.
    QStringList columnNames() const;

private:
    RosterKind kind_;
    QTemporaryDir dir_;
    QString database_;
    std::unique_ptr<Connection> connection_;
};

// A bound control without a widget: remembers what the binding shows it.
class FakeControl : public store::BoundControl {
public:
    explicit FakeControl(QString field) : field_(std::move(field)) {}
    QString dataField() const override { return field_; }
    void showValue(const store::Value& value) override { shown = value; }
    store::Value shown;

private:
    QString field_;
};

// Each row of the binding as the grid shows it: the given columns' texts
// joined by '/'.
QStringList shownRows(store::DataControl& data, const QStringList& columns = {QStringLiteral("Name")});

// The failure `run` throws, if any; its number, or 0.
std::optional<Failure> failureOf(const std::function<void()>& run);
inline int failureNumber(const std::function<void()>& run)
{
    const auto failure = failureOf(run);
    return failure ? failure->number() : 0;
}

// Expects `run` to fail with `number`, its description holding each of
// `mentions`; gives the failure so a caller can look further.
std::optional<Failure> expectFailure(const std::function<void()>& run, int number, const QStringList& mentions = {});

QString writeFile(const QString& path, const QByteArray& bytes);
QByteArray fileBytes(const QString& path);

// The names of the files beside the roster in its folder, the roster itself
// left out: a journal, a write-ahead log, anything else.
QStringList filesBeside(const QString& rosterPath);
// Bytes 18 and 19 of an SQLite file's header: "1 1" rollback journal, "2 2"
// write-ahead log.
QString journalModeBytes(const QString& path);
// Damages, in the SQLite file at `path`, the page that holds `marker` (its
// page type byte overwritten): the kind of damage only reading that page or
// a check of the whole file finds.
void damagePageHolding(const QString& path, const QByteArray& marker);
// SQLite's integrity check of the file, on a connection of its own: "ok"
// when the file is whole.
QString integrityCheck(const QString& path);
// Runs a program as another process, the way a clerk's shell or another
// program would (cp, mv, rm, sqlite3); gives its exit code.
int runProgram(const QString& program, const QStringList& args);

// A small file system of its own (tmpfs) for as long as it lives, for a full
// disk or a read-only medium. Mounting needs the right to; when it cannot
// be had, `skipReason()` says why and the test should skip.
class ScratchMount {
public:
    explicit ScratchMount(const QString& size = QStringLiteral("1m"));
    ~ScratchMount();
    QString skipReason() const { return skipReason_; }
    QString path() const { return dir_.path(); }
    void remountReadOnly();
    // Fills the file system to the last byte with a file named "filler".
    void fill();

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
    QString skipReason_;
};

} // namespace varnel::test
