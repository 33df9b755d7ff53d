#include "roster_fixture.h"

#include "common/failure.h"
#include "store/data_control.h"
#include "store/record_layout.h"
#include "store/recordset.h"

#include <QCryptographicHash>
#include <QFile>
#include <gtest/gtest.h>

using namespace varnel;
using namespace varnel::store;

namespace {

QByteArray fileHash(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

QList<Column> standardColumns()
{
    QStringList names{"ID", "Name", "Rank"};
    names << fixedColumnNames() << "1SGTPoints" << "SSGTPoints" << "LastSchool" << "NextSchool" << "PrefDates" << "TotalDate" << "TOTAL";
    QList<Column> columns;
    for (const QString& n : names)
        columns.append(Column{n, "TEXT", ColumnKind::Text});
    return columns;
}

TEST(RecordLayout, NamesTheFirstFixedPositionThatDoesNotMatch)
{
    struct Case {
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
    for (const auto& c : cases) {
        QList<Column> columns = standardColumns();
        c.change(columns);
        const QString mismatch = RecordLayout(columns).mismatch();
        if (QByteArray(c.expectedInMessage).isEmpty())
            EXPECT_TRUE(mismatch.isEmpty()) << c.name << ": " << qPrintable(mismatch);
        else
            EXPECT_TRUE(mismatch.contains(QString::fromUtf8(c.expectedInMessage))) << c.name << ": " << qPrintable(mismatch);
    }
}

TEST(RecordLayout, KindsComeFromDeclaredTypes)
{
    EXPECT_EQ(columnKindForDeclaredType("DATE"), ColumnKind::Date);
    EXPECT_EQ(columnKindForDeclaredType("datetime"), ColumnKind::Date);
    EXPECT_EQ(columnKindForDeclaredType("BOOLEAN"), ColumnKind::YesNo);
    EXPECT_EQ(columnKindForDeclaredType("BIT"), ColumnKind::YesNo);
    EXPECT_EQ(columnKindForDeclaredType("YESNO"), ColumnKind::YesNo);
    EXPECT_EQ(columnKindForDeclaredType("INTEGER"), ColumnKind::Integer);
    EXPECT_EQ(columnKindForDeclaredType("TEXT"), ColumnKind::Text);
    EXPECT_EQ(columnKindForDeclaredType(""), ColumnKind::Text);
}

TEST(RosterFileRefusal, WrongFixedPositionsAreRefusedBeforeAnythingIsRead)
{
    rostertest::RosterFile file(rostertest::TableLayout::Standard);
    file.exec("DROP TABLE Soldier");
    // TISDate and DORDate swapped: Total would write the wrong months.
    file.exec(R"(CREATE TABLE Soldier (ID INTEGER PRIMARY KEY, Name TEXT, Rank TEXT, DORDate DATE, TISDate DATE,
      APFT TEXT, Weapon TEXT, MSM BOOLEAN, MSM2 BOOLEAN, ARCOM BOOLEAN, ARCOM2 BOOLEAN, ARCOM3 BOOLEAN,
      AAM BOOLEAN, AAM2 BOOLEAN, AAM3 BOOLEAN, "LTR/COM" BOOLEAN, "LTR/COM2" BOOLEAN, "LTR/COM3" BOOLEAN,
      TISPoints INTEGER, TIGPoints INTEGER, APFTPoints INTEGER, WeaponPoints INTEGER, AwardPoints INTEGER,
      "1SGTPoints" INTEGER, SSGTPoints INTEGER, LastSchool TEXT, NextSchool TEXT, PrefDates TEXT, TotalDate TEXT, TOTAL INTEGER))");
    file.insert("ADAMS, AARON");
    const QByteArray before = fileHash(file.path());

    DataControl data1;
    data1.setDatabaseName(file.path());
    try {
        data1.refresh();
        FAIL() << "refresh accepted a table with the service dates swapped";
    } catch (const Failure& f) {
        EXPECT_EQ(f.number(), RecordsetError::BadLayout);
        EXPECT_TRUE(f.description().contains("position 3")) << qPrintable(f.description());
        EXPECT_TRUE(f.description().contains(file.path())) << qPrintable(f.description());
    }
    EXPECT_FALSE(data1.isOpen());
    EXPECT_EQ(fileHash(file.path()), before);
}

} // namespace
