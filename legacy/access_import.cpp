#include "legacy/access_import.h"

#include "common/failure.h"
#include "legacy/access_date.h"
#include "legacy/import_failures.h"
#include "store/new_roster_file.h"
#include "store/sql_support.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <memory>
#include <optional>
#include <sqlite3.h>

namespace varnel::legacy {

namespace {

using store::ColumnKind;
using stream::ValueTag;

QString quoted(const QString& path)
{
    return u'"' + QDir::toNativeSeparators(path) + u'"';
}

QString accessTypeName(quint8 type)
{
    switch (type) {
    case stream::jet::Binary: return QStringLiteral("Binary");
    case stream::jet::OleObject: return QStringLiteral("OLE Object");
    case stream::jet::ReplicationId: return QStringLiteral("Replication ID");
    case stream::jet::Decimal: return QStringLiteral("Decimal");
    case stream::jet::Attachment: return QStringLiteral("Attachment");
    default: return QStringLiteral("type %1").arg(type);
    }
}

// The column as the new roster file declares it.
std::optional<store::Column> rosterColumn(const AccessColumn& access)
{
    store::Column c;
    c.name = access.name;
    const auto fileType = [](ColumnKind kind) { return QLatin1String(store::typesOf(kind).fileType); };
    // Each Access type as its kind's type in a file; a currency keeps its
    // four decimals and a date with a time of day says so, in words that
    // read back as the same kinds.
    switch (access.type) {
    case stream::jet::Boolean: c.declaredType = fileType(ColumnKind::YesNo); break;
    case stream::jet::Byte:
    case stream::jet::Integer:
    case stream::jet::Long: c.declaredType = fileType(ColumnKind::Integer); break;
    case stream::jet::Currency: c.declaredType = QStringLiteral("NUMERIC(19,4)"); break;
    case stream::jet::Single:
    case stream::jet::Double: c.declaredType = fileType(ColumnKind::Real); break;
    case stream::jet::DateTime: c.declaredType = access.shortDate ? fileType(ColumnKind::Date) : QStringLiteral("DATETIME"); break;
    case stream::jet::Text:
    case stream::jet::Memo: c.declaredType = fileType(ColumnKind::Text); break;
    default: return std::nullopt;
    }
    c.kind = store::columnKindForDeclaredType(c.declaredType);
    return c;
}

QVariant nullOf(ColumnKind kind)
{
    return kind == ColumnKind::Text || kind == ColumnKind::Date ? QVariant(QMetaType::fromType<QString>())
                                                                 : QVariant(QMetaType::fromType<qlonglong>());
}

// Writes the roster under a temporary name (store::NewRosterFile) while the
// Access reader sends the table; checks the design before anything is
// written.
class RosterWriter : public TableSink {
public:
    RosterWriter(const QString& oldPath, const QString& newPath) : oldPath_(oldPath), newPath_(newPath) {}
    ~RosterWriter() override { insert_.reset(); }

    void columns(const AccessTableInfo& info, const QList<AccessColumn>& columns) override
    {
        info_ = info;
        QList<store::Column> layoutColumns;
        for (const AccessColumn& access : columns) {
            std::optional<store::Column> c = rosterColumn(access);
            if (!c)
                throw Failure(failure::UnsupportedColumn,
                              QStringLiteral("The column \"%1\" of the table Soldier in the Access file %2 is of the "
                                             "Access type %3, which a roster cannot hold. Nothing was written.")
                                  .arg(access.name, quoted(oldPath_), accessTypeName(access.type)));
            if (access.autoNumber && key_ < 0 && access.type == stream::jet::Long) {
                key_ = int(layoutColumns.size());
                c->declaredType = QStringLiteral("INTEGER PRIMARY KEY");
                c->generatedKey = true;
            }
            layoutColumns.append(*c);
        }
        layout_ = store::RecordLayout(layoutColumns);
        const QString mismatch = layout_.mismatch();
        if (!mismatch.isEmpty())
            throw Failure(failure::BadLayout,
                          QStringLiteral("The table Soldier in the Access file %1 cannot hold the roster: %2. Nothing was written.")
                              .arg(quoted(oldPath_), mismatch));
        name_ = layout_.indexOf(store::column::Name);
        if (name_ < 0)
            throw Failure(failure::NoSuchColumn,
                          QStringLiteral("The table Soldier in the Access file %1 has no column Name to order the roster by. "
                                         "Nothing was written.")
                              .arg(quoted(oldPath_)));
        for (const store::Column& c : layout_.columns())
            ++summary_.columnsByKind[c.kind];
        summary_.jetVersion = info.jetVersion;
        createFile();
    }

    void row(int number, const QList<AccessValue>& values) override
    {
        for (int i = 0; i < values.size(); ++i)
            insert_->bindValue(i, sqlValue(number, values, i));
        if (!insert_->exec()) {
            // Two records with one AutoNumber: the file's key is damaged.
            if (key_ >= 0 && insert_->lastError().nativeErrorCode().toInt() == SQLITE_CONSTRAINT_PRIMARYKEY)
                throw unreadable(number, values, key_, QStringLiteral("its key is that of an earlier record"));
            failWrite(insert_->lastError());
        }
        summary_.records = number;
    }

    // Makes the file whole and gives it its name.
    ImportSummary finish()
    {
        if (!db().commit())
            failWrite(db().lastError());
        exec(store::nameIndexStatement(layout_));
        insert_.reset();
        file_->finish();
        return summary_;
    }

private:
    QString recordLabel(int number, const QList<AccessValue>& values) const
    {
        QStringList ids;
        if (key_ >= 0 && values.at(key_).tag == ValueTag::Integer)
            ids << QStringLiteral("%1 %2").arg(layout_.at(key_).name).arg(values.at(key_).integer);
        if (values.at(name_).tag == ValueTag::Text)
            ids << QStringLiteral("Name \"%1\"").arg(QString::fromUtf8(values.at(name_).text).left(60));
        return ids.isEmpty() ? QStringLiteral("Record %1").arg(number)
                             : QStringLiteral("Record %1 (%2)").arg(QString::number(number), ids.join(QStringLiteral(", ")));
    }

    QVariant sqlValue(int number, const QList<AccessValue>& values, int i) const
    {
        const AccessValue& v = values.at(i);
        const store::Column& column = layout_.at(i);
        switch (v.tag) {
        case ValueTag::Null:
            // SQLite would number a NULL key itself: the record's own number
            // would be lost.
            if (i == key_)
                throw unreadable(number, values, i, QStringLiteral("its AutoNumber key is empty"));
            return nullOf(column.kind);
        case ValueTag::Integer:
        case ValueTag::YesNo: return qlonglong(v.integer);
        case ValueTag::Real: return v.real;
        case ValueTag::Currency: return double(v.integer) / 10000.0;
        case ValueTag::Text: return QString::fromUtf8(v.text);
        case ValueTag::Date: {
            const std::optional<AccessDate> date = accessDate(v.real);
            if (!date)
                throw Failure(failure::DateOutOfRange,
                              QStringLiteral("%1 of the Access file %2 holds a date outside the years 100 to 9999 in %3 "
                                             "(stored as %4). Correct it in Access, then import again. Nothing was written.")
                                  .arg(recordLabel(number, values), quoted(oldPath_), column.name,
                                       QString::number(v.real, 'g', 17)));
            return rosterDateText(*date);
        }
        case ValueTag::TooLong:
            throw Failure(failure::TextTooLong,
                          QStringLiteral("%1 of the Access file %2 holds a text in %3 longer than can be read whole "
                                         "(more than %4 bytes). Shorten it in Access, then import again. Nothing was written.")
                              .arg(recordLabel(number, values), quoted(oldPath_), column.name,
                                   QString::number(v.integer)));
        case ValueTag::Unreadable:
            throw unreadable(number, values, i, QString::fromUtf8(v.text));
        }
        return nullOf(column.kind);
    }

    Failure unreadable(int number, const QList<AccessValue>& values, int i, const QString& why) const
    {
        return Failure(failure::DamagedFile,
                       QStringLiteral("%1 of the Access file %2 cannot be read in %3: %4. The file is damaged; repair it "
                                      "with Access's Compact and Repair, then try again. Nothing was written.")
                           .arg(recordLabel(number, values), quoted(oldPath_), layout_.at(i).name, why));
    }

    QSqlDatabase& db() { return file_->db(); }

    void createFile()
    {
        file_.emplace(newPath_);
        QStringList definitions;
        QStringList marks;
        for (const store::Column& c : layout_.columns()) {
            definitions << store::quoteIdentifier(c.name) + u' ' + c.declaredType;
            marks << QStringLiteral("?");
        }
        exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(store::quoteIdentifier(store::kSoldierTable), definitions.join(QStringLiteral(", "))));
        if (!db().transaction())
            failWrite(db().lastError());
        insert_ = std::make_unique<QSqlQuery>(db());
        if (!insert_->prepare(QStringLiteral("INSERT INTO \"Soldier\" VALUES (%1)").arg(marks.join(u','))))
            failWrite(insert_->lastError());
    }

    void exec(const QString& sql)
    {
        QSqlQuery query(db());
        if (!query.exec(sql))
            failWrite(query.lastError());
    }

    [[noreturn]] void failWrite(const QSqlError& error) const
    {
        throw store::sqlFailure(error, QStringLiteral("Cannot write the new roster %1").arg(quoted(newPath_)));
    }

    QString oldPath_;
    QString newPath_;
    std::optional<store::NewRosterFile> file_;
    std::unique_ptr<QSqlQuery> insert_;
    AccessTableInfo info_;
    store::RecordLayout layout_;
    int key_ = -1;
    int name_ = -1;
    ImportSummary summary_;
};

} // namespace

int ImportSummary::columnCount() const
{
    int n = 0;
    for (int count : columnsByKind)
        n += count;
    return n;
}

QString ImportSummary::columnsText() const
{
    QStringList kinds;
    // The kinds a roster's columns are read as, the dates and yes/no first;
    // each counted by its word in the store's table of kinds.
    for (const ColumnKind kind : {ColumnKind::Date, ColumnKind::YesNo, ColumnKind::Integer, ColumnKind::Real, ColumnKind::Text}) {
        if (columnsByKind.value(kind) > 0)
            kinds << QStringLiteral("%1 %2").arg(columnsByKind.value(kind)).arg(QLatin1String(store::typesOf(kind).word));
    }
    return QStringLiteral("%1 columns: %2").arg(columnCount()).arg(kinds.join(QStringLiteral(", ")));
}

ImportSummary importAccessRoster(const QString& oldPath, const QString& newPath, const ReaderOptions& options)
{
    if (QFileInfo::exists(newPath) || QFileInfo(newPath).isSymLink())
        throw Failure(failure::TargetExists,
                      QStringLiteral("The file %1 already exists; name a new file for the roster.").arg(quoted(newPath)));
    RosterWriter writer(oldPath, newPath);
    readAccessTable(oldPath, kSoldierTable, writer, options);
    return writer.finish();
}

} // namespace varnel::legacy
