#include "store/copy_restore.h"

#include "common/failure.h"
#include "common/failure_numbers.h"
#include "store/record_commands.h"
#include "store/recordset.h"
#include "store/safety_copy.h"
#include "store/sqlite_backend.h"
#include "store/sql_support.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QUuid>

namespace varnel::store {

namespace {

const QString kTable = QStringLiteral("Soldier");

// A copy opened to be read only, on a connection of its own that goes
// with it.
class OpenCopy {
public:
    explicit OpenCopy(const QString& path)
        : name_(QStringLiteral("varnel-copy-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
    {
        try {
            backend_ = std::make_unique<SqliteBackend>(openSqliteFile(name_, path, true), path);
        } catch (...) {
            QSqlDatabase::removeDatabase(name_);
            throw;
        }
    }
    ~OpenCopy()
    {
        backend_.reset();
        QSqlDatabase::removeDatabase(name_);
    }
    OpenCopy(const OpenCopy&) = delete;
    OpenCopy& operator=(const OpenCopy&) = delete;
    SqliteBackend& backend() { return *backend_; }

private:
    QString name_;
    std::unique_ptr<SqliteBackend> backend_;
};

// When a copy was saved: the stamp its name carries, else its file's time.
QDateTime savedAt(const QString& path)
{
    static const QRegularExpression stamp(QStringLiteral(R"(_(\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d)(?:-\d+)?\.MDB$)"));
    const auto m = stamp.match(path);
    const QDateTime named = m.hasMatch() ? QDateTime::fromString(m.captured(1), QStringLiteral("yyyy-MM-dd_HH-mm-ss")) : QDateTime();
    return named.isValid() ? named : QFileInfo(path).lastModified();
}

int soldiersIn(const QString& path)
{
    try {
        OpenCopy copy(path);
        return int(copy.backend().readKeys(QStringLiteral("SELECT count(*) FROM ") + quoteIdentifier(kTable)).value(0, -1));
    } catch (const Failure&) {
        return -1;
    }
}

} // namespace

QList<SafetyCopyEntry> listSafetyCopies(const QString& rosterPath)
{
    QList<SafetyCopyEntry> copies;
    const QStringList paths = safetyCopiesOf(rosterPath);
    for (auto it = paths.crbegin(); it != paths.crend(); ++it)
        copies.append({*it, savedAt(*it), soldiersIn(*it)});
    return copies;
}

QList<SoldierInCopy> soldiersToRestore(Recordset& roster, const QString& copyPath)
{
    OpenCopy copy(copyPath);
    const RecordLayout& layout = roster.layout();
    const RecordLayout copied = copy.backend().readLayout(kTable);
    bool alike = copied.count() == layout.count();
    for (int c = 0; alike && c < layout.count(); ++c)
        alike = copied.at(c).name.compare(layout.at(c).name, Qt::CaseInsensitive) == 0;
    if (!alike)
        throw Failure(RecordsetError::BadLayout,
                      QCoreApplication::translate("varnel::store", "The copy \"%1\" does not hold the roster's columns in the roster's order; "
                                                                   "it is not a copy of this roster.")
                          .arg(copyPath));

    const int name = layout.indexOf(column::Name);
    const QString table = quoteIdentifier(kTable);
    QList<SoldierInCopy> soldiers;
    for (qint64 key : copy.backend().readKeys(QStringLiteral("SELECT _rowid_ FROM %1 ORDER BY _rowid_").arg(table))) {
        const StoredRecord then = copy.backend().readRecordForWrite(layout, key);
        const StoredRecord now = roster.storedRecord(key);
        SoldierInCopy soldier;
        soldier.name = name >= 0 ? then.values.at(name).displayText() : QString();
        soldier.change.key = key;
        // Gone, or the key given to another soldier: he is added again.
        if (now.isEmpty() || (name >= 0 && !sameStored(now.stored.at(name), then.stored.at(name)))) {
            soldier.change.kind = RecordChange::Kind::Added;
            soldier.change.record = then.stored;
            soldiers.append(soldier);
            continue;
        }
        for (int c = 0; c < layout.count(); ++c) {
            if (layout.at(c).generatedKey || sameStored(now.stored.at(c), then.stored.at(c)))
                continue;
            soldier.columns << layout.at(c).name;
            soldier.change.columns << c;
            soldier.change.before << now.stored.at(c);
            soldier.change.after << then.stored.at(c);
        }
        if (soldier.columns.isEmpty())
            continue;
        soldier.since = SoldierInCopy::Since::Changed;
        if (name >= 0) {
            soldier.change.columns << name;
            soldier.change.before << now.stored.at(name);
            soldier.change.after << now.stored.at(name);
        }
        soldiers.append(soldier);
    }
    return soldiers;
}

} // namespace varnel::store
