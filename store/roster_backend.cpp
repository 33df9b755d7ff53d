#include "store/roster_backend.h"

#include "store/postgres_backend.h"
#include "store/sqlite_backend.h"

namespace varnel::store {

namespace {

enum class StorageClass { Null, Integer, Real, Text, Bytes };

StorageClass storageClassOf(const StoredValue& value)
{
    if (value.isNull())
        return StorageClass::Null;
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::ULongLong:
    case QMetaType::UInt: return StorageClass::Integer;
    case QMetaType::Double: return StorageClass::Real;
    case QMetaType::QByteArray: return StorageClass::Bytes;
    default: return StorageClass::Text;
    }
}

} // namespace

void RosterBackend::readRecordsForWrite(const RecordLayout& layout, const std::vector<qint64>& keys, const RecordVisit& visit)
{
    for (qint64 key : keys) {
        const StoredRecord record = readRecordForWrite(layout, key);
        if (!record.isEmpty() && !visit(key, record.values, [&record](int ordinal) { return record.stored.at(ordinal); }))
            return;
    }
}

bool sameStored(const StoredValue& a, const StoredValue& b)
{
    const StorageClass kind = storageClassOf(a);
    if (kind != storageClassOf(b))
        return false;
    switch (kind) {
    case StorageClass::Null: return true;
    case StorageClass::Integer: return a.toLongLong() == b.toLongLong();
    case StorageClass::Real: {
        // A NaN read back is the NaN that was stored.
        const double x = a.toDouble(), y = b.toDouble();
        return x == y || (x != x && y != y);
    }
    case StorageClass::Bytes: return a.toByteArray() == b.toByteArray();
    case StorageClass::Text: return a.toString() == b.toString();
    }
    return false;
}

std::unique_ptr<RosterBackend> openRosterBackend(const QString& connectionName, const RosterLocation& location, LockWait* lockWait)
{
    if (location.isServer())
        return std::make_unique<PostgresBackend>(location.text());
    return SqliteBackend::open(connectionName, location.text(), lockWait);
}

} // namespace varnel::store
