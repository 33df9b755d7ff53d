#include "store/sql_support.h"
#include "store/sqlite_backend.h"

#include "support/roster_file.h"

#include <QDate>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace varnel;
using namespace varnel::store;

namespace {

// An SQLite file of its own, open through the backend.
class BackendFile {
public:
    BackendFile()
    {
        const QString path = dir_.filePath(QStringLiteral("backend.db"));
        test::execOn(path, QStringLiteral("CREATE TABLE Probe (Id INTEGER PRIMARY KEY)"));
        backend_.emplace(openSqliteFile(name_, path), path);
    }
    ~BackendFile()
    {
        backend_.reset();
        QSqlDatabase::removeDatabase(name_);
    }
    SqliteBackend& backend() { return *backend_; }
    QSqlQuery run(const QString& sql, const QVariantList& values = {})
    {
        QSqlQuery query(backend_->database());
        EXPECT_TRUE(query.prepare(sql)) << sql.toStdString() << ": " << query.lastError().text().toStdString();
        for (const QVariant& v : values)
            query.addBindValue(v);
        EXPECT_TRUE(query.exec()) << sql.toStdString() << ": " << query.lastError().text().toStdString();
        return query;
    }

private:
    QTemporaryDir dir_;
    QString name_ = QStringLiteral("backend-test");
    std::optional<SqliteBackend> backend_;
};

// Column names another program may have given the free columns: each one,
// quoted, names exactly that column in a definition, a write and a read.
TEST(SqliteBackend, QuotesAnyNameAsOneIdentifier)
{
    const QStringList names = {QStringLiteral("Name"),          QStringLiteral("1SGTPoints"),   QStringLiteral("Last School"),
                               QStringLiteral("Say \"when\""),  QStringLiteral("\"\""),         QStringLiteral("select"),
                               QStringLiteral("a;b--c"),        QStringLiteral("Z\u00fcrich \u2116")};
    BackendFile file;
    SqliteBackend& backend = file.backend();
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const QString quoted = backend.quoteIdentifier(name);
        file.run(QStringLiteral("ALTER TABLE Probe ADD COLUMN %1 TEXT").arg(quoted));
        file.run(QStringLiteral("INSERT INTO Probe (%1) VALUES (?)").arg(quoted), {name});
        QSqlQuery read = file.run(QStringLiteral("SELECT %1 FROM Probe WHERE %1 IS NOT NULL").arg(quoted));
        ASSERT_TRUE(read.next());
        EXPECT_EQ(read.value(0).toString(), name);
        EXPECT_FALSE(read.next());
    }
    QStringList defined;
    for (QSqlQuery info = file.run(QStringLiteral("PRAGMA table_info(Probe)")); info.next();)
        defined << info.value(1).toString();
    EXPECT_EQ(defined, QStringList{QStringLiteral("Id")} + names);
}

// The key column finds the record again whatever the table's own key is
// named, and the keys come in the query's order.
TEST(SqliteBackend, FindsRecordsByTheirKey)
{
    BackendFile file;
    SqliteBackend& backend = file.backend();
    file.run(QStringLiteral("CREATE TABLE Other (Number INTEGER PRIMARY KEY, Name TEXT)"));
    file.run(QStringLiteral("INSERT INTO Other VALUES (7, 'b'), (3, 'a'), (12, 'c')"));
    const QList<qint64> keys =
        backend.readKeys(QStringLiteral("SELECT %1 FROM Other ORDER BY Name DESC").arg(backend.keyColumn()));
    EXPECT_EQ(keys, (QList<qint64>{12, 7, 3}));
    QSqlQuery byKey = file.run(QStringLiteral("SELECT Name FROM Other WHERE %1 = ?").arg(backend.keyColumn()), {qint64(7)});
    ASSERT_TRUE(byKey.next());
    EXPECT_EQ(byKey.value(0).toString(), QStringLiteral("b"));
}

// A value bound for a column is stored in the file's encoding, and what the
// file holds reads back as the value of the column's kind.
TEST(SqliteBackend, BindsAndReadsTheFileEncodings)
{
    struct Case {
        const char* what;
        const char* declared;
        ColumnKind kind;
        Value bound;
        QString storedAs; // typeof() and the stored text
        Value read;
    };
    const QDate day(2024, 3, 5);
    const Case cases[] = {
        {"Yes", "YESNO", ColumnKind::YesNo, Value::boolean(true), "integer 1", Value::boolean(true)},
        {"No", "BIT", ColumnKind::YesNo, Value::boolean(false), "integer 0", Value::boolean(false)},
        {"number as Yes", "BOOLEAN", ColumnKind::YesNo, Value::integer(7), "integer 1", Value::boolean(true)},
        {"no value in Yes/No", "YESNO", ColumnKind::YesNo, Value::null(), "null ", Value::null()},
        {"empty as no value", "INTEGER", ColumnKind::Integer, Value(), "null ", Value::null()},
        {"whole number", "INTEGER", ColumnKind::Integer, Value::integer(42), "integer 42", Value::integer(42)},
        {"real", "REAL", ColumnKind::Real, Value::real(2.5), "real 2.5", Value::real(2.5)},
        {"date", "DATE", ColumnKind::Date, Value::date(day), "text 2024-03-05", Value::date(day)},
        {"date and time", "DATETIME", ColumnKind::Date, Value::date(QDateTime(day, QTime(13, 4, 5))),
         "text 2024-03-05 13:04:05", Value::date(QDateTime(day, QTime(13, 4, 5)))},
        {"text", "TEXT", ColumnKind::Text, Value::text(QStringLiteral("SGT Smith")), "text SGT Smith",
         Value::text(QStringLiteral("SGT Smith"))},
    };
    BackendFile file;
    SqliteBackend& backend = file.backend();
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString column = QStringLiteral("C%1").arg(++n);
        file.run(QStringLiteral("ALTER TABLE Probe ADD COLUMN %1 %2").arg(column, QLatin1String(c.declared)));
        QSqlQuery insert = file.run(QStringLiteral("INSERT INTO Probe (%1) VALUES (?)").arg(column), {backend.valueToBound(c.bound, c.kind)});
        const qint64 key = insert.lastInsertId().toLongLong();
        QSqlQuery read = file.run(QStringLiteral("SELECT %1, typeof(%1) FROM Probe WHERE Id = ?").arg(column), {key});
        ASSERT_TRUE(read.next());
        EXPECT_EQ(read.value(1).toString() + u' ' + read.value(0).toString(), c.storedAs);
        const Value back = backend.valueFromStored(read.value(0), c.kind);
        EXPECT_TRUE(back == c.read) << back.displayText().toStdString();
    }
}

// What other programs store is read by the column's kind: any non-zero
// number is Yes, and a date column reads the clerk's m/d/yyyy text.
TEST(SqliteBackend, ReadsOtherProgramsEncodingsByKind)
{
    struct Case {
        const char* what;
        QVariant stored;
        ColumnKind kind;
        Value read;
    };
    const Case cases[] = {
        {"two is Yes", QVariant(qlonglong(2)), ColumnKind::YesNo, Value::boolean(true)},
        {"minus one is Yes", QVariant(qlonglong(-1)), ColumnKind::YesNo, Value::boolean(true)},
        {"real zero is No", QVariant(0.0), ColumnKind::YesNo, Value::boolean(false)},
        {"US date text", QVariant(QStringLiteral("3/5/2024")), ColumnKind::Date, Value::date(QDate(2024, 3, 5))},
        {"text no date", QVariant(QStringLiteral("soon")), ColumnKind::Date, Value::text(QStringLiteral("soon"))},
        {"whole number in a real column", QVariant(qlonglong(3)), ColumnKind::Real, Value::real(3.0)},
        {"NULL", QVariant(QMetaType::fromType<QString>()), ColumnKind::Text, Value::null()},
    };
    BackendFile file;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Value read = file.backend().valueFromStored(c.stored, c.kind);
        EXPECT_TRUE(read == c.read) << read.displayText().toStdString();
    }
}

} // namespace
