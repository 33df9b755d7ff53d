#pragma once

#include "store/bound_control.h"
#include "store/data_control.h"

#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QVariant>
#include <memory>

namespace varnel::rostertest {

// The two table arrangements every store test runs on: the one
// `varnel-roster create` writes, and one with the free columns in another
// order, another key, the evaluation pair swapped and extra columns.
enum class TableLayout { Standard, Rearranged };
const char* layoutName(TableLayout layout);

// A roster file in a temporary folder, and a separate connection that reads
// the file back as another program would.
class RosterFile {
public:
    explicit RosterFile(TableLayout layout);
    ~RosterFile();

    QString path() const;
    QString directory() const { return dir_.path(); }
    // Inserts a soldier with a name (and optional column values); returns its key.
    qint64 insert(const QString& name, const QVariantMap& columns = {});
    // A column of the record with that key, as stored in the file.
    QVariant stored(qint64 key, const QString& column);
    int count();
    QStringList namesInTableOrder();
    void exec(const QString& sql);

private:
    QTemporaryDir dir_;
    TableLayout layout_;
    QString connection_;
};

// A bound control without a widget: remembers what the binding shows it.
class FakeControl : public store::BoundControl {
public:
    explicit FakeControl(QString field) : field_(std::move(field)) {}
    QString dataField() const override { return field_; }
    void showValue(const store::Value& value) override { shown = value; ++shows; }
    store::Value shown;
    int shows = 0;

private:
    QString field_;
};

} // namespace varnel::rostertest
