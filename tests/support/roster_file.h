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

// A connection of its own to the SQLite file at `path`, as another program
// would have, for as long as it lives. Creates the file if need be.
class Connection {
public:
    explicit Connection(const QString& path);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    QSqlQuery run(const QString& sql, const QVariantList& values = {}) const;
    qint64 insert(const QVariantMap& columns) const;
    // Every row of the result, column name -> value.
    QList<QVariantMap> rows(const QString& sql, const QVariantList& values = {}) const;

private:
    QString name_;
};

// The two table arrangements the roster tests run on: the one
// `varnel-roster create` writes, and one with the free columns in another
// order, another key, the evaluation pair swapped, other declared types and
// extra columns after TOTAL.
enum class TableLayout { Standard, Rearranged };
inline const auto kBothLayouts = ::testing::Values(TableLayout::Standard, TableLayout::Rearranged);
std::string layoutName(const ::testing::TestParamInfo<TableLayout>& info);

// Writes a new roster file at `path`: the Soldier table in `layout` and the
// rows (column name -> value; columns left out stay NULL).
void writeRoster(const QString& path, const QList<QVariantMap>& rows = {}, TableLayout layout = TableLayout::Standard);
// Runs one statement on the SQLite file at `path`, creating the file if need be.
void execOn(const QString& path, const QString& sql);

// A roster file (Varnel_DATA.MDB) in a temporary folder, read back through a
// connection of its own as another program would.
class RosterFile {
public:
    explicit RosterFile(TableLayout layout = TableLayout::Standard);
    ~RosterFile();

    QString directory() const { return dir_.path(); }
    QString path() const;
    // Inserts a record; returns its key.
    qint64 insert(const QVariantMap& columns);
    QList<qint64> insertNames(const QStringList& names);
    void exec(const QString& sql) const;

    QVariant stored(qint64 key, const QString& column) const { return record(key).value(column); }
    // The stored record with this key (every column); empty when there is none.
    QVariantMap record(qint64 key) const;
    QVariantMap recordNamed(const QString& name) const;
    // Every record in key order.
    QList<QVariantMap> records() const;
    int count() const { return int(records().size()); }
    // The names in key order.
    QStringList names() const;

private:
    QTemporaryDir dir_;
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
