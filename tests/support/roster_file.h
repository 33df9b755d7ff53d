#pragma once

#include "common/failure.h"
#include "store/bound_control.h"

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

class Connection;

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

// The failure `run` throws, if any; its number, or 0.
std::optional<Failure> failureOf(const std::function<void()>& run);
inline int failureNumber(const std::function<void()>& run)
{
    const auto failure = failureOf(run);
    return failure ? failure->number() : 0;
}

QString writeFile(const QString& path, const QByteArray& bytes);
QByteArray fileBytes(const QString& path);

} // namespace varnel::test
