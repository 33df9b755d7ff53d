#include "reports/name_collation.h"

#include "common/name_order.h"

#include <QByteArrayView>
#include <sqlite3.h>

namespace varnel::reports {

namespace {

int compareRosterNames(void*, int sizeA, const void* a, int sizeB, const void* b)
{
    return compareNamesUtf8(QByteArrayView(static_cast<const char*>(a), sizeA), QByteArrayView(static_cast<const char*>(b), sizeB));
}

int compareBytes(void*, int sizeA, const void* a, int sizeB, const void* b)
{
    return QByteArrayView(static_cast<const char*>(a), sizeA).compare(QByteArrayView(static_cast<const char*>(b), sizeB));
}

} // namespace

void registerRosterNameCollation(sqlite3* db)
{
    if (!db)
        return;
    sqlite3_create_collation_v2(db, kRosterNameCollation, SQLITE_UTF8, nullptr, &compareRosterNames, nullptr);
    sqlite3_create_collation_v2(db, kByteOrderCollation, SQLITE_UTF8, nullptr, &compareBytes, nullptr);
}

} // namespace varnel::reports
