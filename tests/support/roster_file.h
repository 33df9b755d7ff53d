#pragma once

#include "common/failure.h"
#include "store/bound_control.h"
#include "store/data_control.h"
#include "store/record_commands.h"

#include <QFile>
#include <QSqlQuery>
#include <QStringList>
#include <QTemporaryDir>
#include <QUuid>
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

// A connection of its own, as another program's, to the SQLite file at `path` (made if need be) or to a
// database on the tests' server. It reads in the file's encodings: Yes/No as 1 and 0, dates as ISO text.
class Connection {
public:
    explicit Connection(const QString& path);
    static std::unique_ptr<Connection> toServer(const QString& database);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    QSqlQuery run(const QString& sql, const QVariantList& values = {}) const;
    qint64 insert(const QVariantMap& columns) const;
    QList<QVariantMap> rows(const QString& sql, const QVariantList& values = {}) const;
    QString keyName() const; // quoted

private:
    Connection() = default;
    QString name_ = QStringLiteral("test-") + QUuid::createUuid().toString();
    bool server_ = false;
    mutable QString keyName_;
};

// The PostgreSQL server of the test run (CTest's fixture), else one of this program's own.
struct TestServer {
    QString host; // the socket's folder
    int port = 0;
    QString user, error; // a superuser; why there is none
};
const TestServer& testServer();
inline QString serverLocation(const QString& database)
{
    const TestServer& s = testServer();
    return QStringLiteral("postgresql:///%1?host=%2&port=%3&user=%4").arg(database, s.host).arg(s.port).arg(s.user);
}
QString makeServerDatabase(); // new and empty; gives its name

// The table as `varnel-roster create` writes it, and one with the free columns in another order, another
// key, the evaluation pair swapped, other declared types and extra columns after TOTAL.
enum class TableLayout { Standard, Rearranged };
inline const auto kBothLayouts = ::testing::Values(TableLayout::Standard, TableLayout::Rearranged);
inline std::string layoutName(const ::testing::TestParamInfo<TableLayout>& i) { return i.param == TableLayout::Standard ? "Standard" : "Rearranged"; }

enum class Engine { File, Server };
struct RosterKind {
    Engine engine = Engine::File;
    TableLayout layout = TableLayout::Standard;
};
inline const auto kEveryRoster = ::testing::Values(RosterKind{Engine::File, TableLayout::Standard}, RosterKind{Engine::File, TableLayout::Rearranged},
                                                   RosterKind{Engine::Server, TableLayout::Standard}, RosterKind{Engine::Server, TableLayout::Rearranged});
inline std::string rosterName(const ::testing::TestParamInfo<RosterKind>& info)
{
    return (info.param.engine == Engine::File ? "File" : "Server") + layoutName({info.param.layout, info.index});
}

// A new roster file at `path` holding `rows` (columns left out stay NULL).
void writeRoster(const QString& path, const QList<QVariantMap>& rows = {}, TableLayout layout = TableLayout::Standard);
inline void execOn(const QString& path, const QString& sql) { Connection(path).run(sql); }

// Opens the roster at `location` as the window does: in name order.
inline void openAt(store::DataControl& data1, const QString& location)
{
    data1.setDatabaseName(location);
    data1.setRecordSource(store::kRosterQuery);
    data1.refresh();
}

// A roster file (Varnel_DATA.MDB) in a temporary folder, or a roster in a database of its own on the tests'
// server, read back through a connection of its own. SQL given to exec() quotes its names ("Soldier").
class RosterFile {
public:
    explicit RosterFile(TableLayout layout = TableLayout::Standard) : RosterFile(RosterKind{Engine::File, layout}) {}
    explicit RosterFile(RosterKind kind);
    ~RosterFile();

    bool onServer() const { return kind_.engine == Engine::Server; }
    QString directory() const { return dir_.path(); }
    QString path() const { return store::rosterPath(dir_.path()); }
    QString database() const { return database_; }
    QString location() const { return onServer() ? serverLocation(database_) : path(); }
    // Quoted: SQLite's row key, or the server table's primary key.
    QString keyColumn() const { return connection_->keyName(); }
    qint64 insert(const QVariantMap& columns) { return connection_->insert(columns); }
    QList<qint64> insertNames(const QStringList& names);
    QSqlQuery exec(const QString& sql) const { return connection_->run(sql); }
    // Runs `sql` in the sqlite3 shell or psql; gives its exit code.
    int runInAnotherProgram(const QString& sql) const;
    void openIn(store::DataControl& data1) const { openAt(data1, location()); }
    // The address as `role`, a clerk who logs in with `password` (the tests' server asks the members of password_login for theirs).
    QString locationAs(const QString& role, const QString& password) const;

    QVariant stored(qint64 key, const QString& column) const { return record(key).value(column); }
    QVariantMap record(qint64 key) const { return connection_->rows(soldiers("WHERE %1 = ?").arg(keyColumn()), {key}).value(0); }
    QVariantMap recordNamed(const QString& name) const { return connection_->rows(soldiers(R"(WHERE "Name" = ?)"), {name}).value(0); }
    QList<QVariantMap> records() const { return connection_->rows(soldiers("ORDER BY %1").arg(keyColumn())); } // in key order
    int count() const { return int(records().size()); }
    QStringList names() const; // in key order
    QStringList columnNames() const;

private:
    static QString soldiers(const char* rest) { return QStringLiteral(R"(SELECT * FROM "Soldier" )") + QLatin1String(rest); }
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

// Each row of the binding as the grid shows it: the columns' texts joined by '/'.
QStringList shownRows(store::DataControl& data, const QStringList& columns = {QStringLiteral("Name")});

template <typename Caught = Failure>
std::optional<Caught> failureOf(const std::function<void()>& run)
{
    try {
        run();
    } catch (const Caught& failure) {
        return failure;
    }
    return std::nullopt;
}
inline int failureNumber(const std::function<void()>& run)
{
    const auto failure = failureOf(run);
    return failure ? failure->number() : 0;
}
// Expects `run` to fail with `number`, its description holding each of `mentions`.
std::optional<Failure> expectFailure(const std::function<void()>& run, int number, const QStringList& mentions = {});

inline QString writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size()) << qPrintable(path);
    return path;
}
inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The files beside the roster in its folder: a journal, a write-ahead log...
QStringList filesBeside(const QString& rosterPath);
// Bytes 18 and 19 of an SQLite file's header: "1 1" rollback journal, "2 2" WAL.
inline QString journalModeBytes(const QString& path)
{
    const QByteArray h = fileBytes(path);
    return h.size() < 20 ? QStringLiteral("no header") : QStringLiteral("%1 %2").arg(int(h.at(18))).arg(int(h.at(19)));
}
// Overwrites the page type of the page holding `marker`: damage only reading it or a whole check finds.
void damagePageHolding(const QString& path, const QByteArray& marker);
QString integrityCheck(const QString& path);
int runProgram(const QString& program, const QStringList& args);

// A small tmpfs for a full disk or a read-only medium; when it cannot be mounted, the test should skip.
class ScratchMount {
public:
    explicit ScratchMount(const QString& size = QStringLiteral("1m"));
    ~ScratchMount()
    {
        if (mounted_)
            runProgram("umount", {"-l", path()});
    }
    QString skipReason() const { return skipReason_; }
    QString path() const { return dir_.path(); }
    void remountReadOnly() { EXPECT_EQ(runProgram(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("remount,ro"), path()}), 0); }
    void fill(); // to the last byte, with a file named "filler"

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
    QString skipReason_;
};

} // namespace varnel::test
