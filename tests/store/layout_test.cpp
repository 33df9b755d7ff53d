#include "store/data_control.h"
#include "store/record_commands.h"
#include "store/record_layout.h"
#include "store/recordset.h"
#include "tools/roster_files.h"

#include "support/roster_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace varnel;
using namespace varnel::store;

namespace {

TEST(RecordLayout, NamesTheFirstFixedPositionThatDoesNotMatch)
{
    const struct {
        const char* name;
        std::function<void(QList<Column>&)> change;
        const char* expectedInMessage; // empty: the layout is accepted
    } cases[] = {
        {"as created", [](QList<Column>&) {}, ""},
        {"evaluation pair swapped", [](QList<Column>& c) { std::swap(c[23], c[24]); }, ""},
        {"names in another case", [](QList<Column>& c) { c[3].name = "tisdate"; }, ""},
        {"extra columns after TOTAL", [](QList<Column>& c) { c.append(Column{"Remarks", "TEXT", ColumnKind::Text}); }, ""},
        {"service dates swapped", [](QList<Column>& c) { std::swap(c[3], c[4]); }, "position 3"},
        {"award columns out of order", [](QList<Column>& c) { std::swap(c[8], c[15]); }, "position 8"},
        {"point columns shifted", [](QList<Column>& c) { std::swap(c[18], c[25]); }, "position 18"},
        {"one evaluation missing", [](QList<Column>& c) { c[24].name = "Remarks"; }, "position 24"},
        {"no evaluation at 23", [](QList<Column>& c) { c[23].name = "Remarks"; }, "position 23"},
        {"TOTAL not at 29", [](QList<Column>& c) { std::swap(c[28], c[29]); }, "position 29"},
        {"too few columns", [](QList<Column>& c) { c.removeLast(); }, "at least 30"},
    };
    QStringList names{"ID", "Name", "Rank"};
    names << fixedColumnNames() << "1SGTPoints" << "SSGTPoints" << "LastSchool" << "NextSchool" << "PrefDates" << "TotalDate" << "TOTAL";
    for (const auto& c : cases) {
        QList<Column> columns;
        for (const QString& n : names)
            columns.append(Column{n, "TEXT", ColumnKind::Text});
        c.change(columns);
        const QString mismatch = RecordLayout(columns).mismatch();
        EXPECT_EQ(mismatch.isEmpty(), !*c.expectedInMessage) << c.name << ": " << qPrintable(mismatch);
        EXPECT_TRUE(mismatch.contains(QString::fromUtf8(c.expectedInMessage))) << c.name << ": " << qPrintable(mismatch);
    }
}

TEST(RecordLayout, KindsComeFromDeclaredTypesInAnyCase)
{
    const std::pair<const char*, ColumnKind> cases[] = {
        {"DATE", ColumnKind::Date}, {"datetime", ColumnKind::Date}, {"BOOLEAN", ColumnKind::YesNo},
        {"Bit", ColumnKind::YesNo}, {"YESNO", ColumnKind::YesNo}, {"INTEGER", ColumnKind::Integer},
        {"TEXT", ColumnKind::Text}, {"", ColumnKind::Text},
    };
    for (const auto& [type, kind] : cases)
        EXPECT_EQ(columnKindForDeclaredType(type), kind) << type;
}

TEST(RosterFileFailures, RefreshRefusesWithoutCreatingOrChangingAnyFile)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath("Varnel_DATA.MDB");
    const QString garbage = test::writeFile(dir.filePath("garbage.MDB"), QByteArray(4096, 'x'));
    test::RosterFile noTable, swapped;
    noTable.exec("DROP TABLE Soldier");
    // TISDate and DORDate swapped: Total would write the wrong months.
    QString swappedTable = tools::soldierTableStatements().first();
    swappedTable.replace(R"("TISDate" DATE, "DORDate" DATE)", R"("DORDate" DATE, "TISDate" DATE)");
    swapped.exec("DROP TABLE Soldier");
    swapped.exec(swappedTable);
    swapped.insert({{"Name", "ADAMS, AARON"}});

    const struct {
        const char* name;
        QString path;
        int number;
        const char* inDescription;
    } cases[] = {
        {"missing file", missing, 14, ""},          // SQLITE_CANTOPEN
        {"not a database", garbage, 26, ""},        // SQLITE_NOTADB
        {"no Soldier table", noTable.path(), 1, ""},
        {"service dates swapped", swapped.path(), RecordsetError::BadLayout, "position 3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray before = test::fileBytes(c.path);
        DataControl data1;
        data1.setDatabaseName(c.path);
        data1.setRecordSource(kRosterQuery);
        test::expectFailure([&] { data1.refresh(); }, c.number, {c.path, c.inDescription});
        EXPECT_FALSE(data1.isOpen());
        EXPECT_EQ(test::fileBytes(c.path), before);
    }
    EXPECT_FALSE(QFileInfo::exists(missing)) << "the missing roster must not be created";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"garbage.MDB"});
}

// The file the README points readers to is the table `varnel-roster create` writes.
TEST(RosterFile, DocumentedTableIsTheOneTheToolWrites)
{
    QTemporaryDir dir;
    QFile sqlFile(QStringLiteral(VARNEL_SOURCE_DIR "/docs/soldier-table.sql"));
    ASSERT_TRUE(sqlFile.open(QIODevice::ReadOnly));
    QString sql;
    for (const QString& line : QString::fromUtf8(sqlFile.readAll()).split(u'\n'))
        sql += line.left(line.indexOf("--")) + u'\n'; // comments may hold semicolons
    for (const QString& statement : sql.split(u';', Qt::SkipEmptyParts))
        if (!statement.trimmed().isEmpty())
            test::execOn(dir.filePath("documented.db"), statement);
    tools::createRosterFile(dir.filePath("created.db"));
    auto columns = [](const QString& path) {
        DataControl data1;
        data1.setDatabaseName(path);
        data1.refresh();
        QStringList list;
        for (const Column& c : data1.recordset().layout().columns())
            list << c.name + u' ' + c.declaredType;
        return list;
    };
    EXPECT_EQ(columns(dir.filePath("documented.db")), columns(dir.filePath("created.db")));
}

} // namespace
