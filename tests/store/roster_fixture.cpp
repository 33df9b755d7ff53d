#include "roster_fixture.h"

#include "store/record_commands.h"
#include "tools/roster_files.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <gtest/gtest.h>

namespace varnel::rostertest {

namespace {
const char* const kRearranged = R"(CREATE TABLE Soldier (
  "Rank" TEXT, "TotalDate" DATE, "Name" TEXT,
  "TISDate" DATETIME, "DORDate" DATETIME, "APFT" TEXT, "Weapon" TEXT,
  "MSM" BIT, "MSM2" BIT, "ARCOM" BIT, "ARCOM2" BIT, "ARCOM3" BIT,
  "AAM" YESNO, "AAM2" YESNO, "AAM3" YESNO, "LTR/COM" BOOLEAN, "LTR/COM2" BOOLEAN, "LTR/COM3" BOOLEAN,
  "TISPoints" INTEGER, "TIGPoints" INTEGER, "APFTPoints" INTEGER, "WeaponPoints" INTEGER, "AwardPoints" INTEGER,
  "SSGTPoints" INTEGER, "1SGTPoints" INTEGER,
  "PrefDates" TEXT, "RecNo" INTEGER PRIMARY KEY AUTOINCREMENT, "NextSchool" TEXT, "LastSchool" TEXT,
  "TOTAL" INTEGER, "Remarks" TEXT, "Unit" TEXT))";
}

const char* layoutName(TableLayout layout)
{
    return layout == TableLayout::Standard ? "Standard" : "Rearranged";
}

RosterFile::RosterFile(TableLayout layout)
    : layout_(layout)
{
    connection_ = QStringLiteral("check-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    if (layout == TableLayout::Standard) {
        tools::createRosterFile(path());
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    db.setDatabaseName(path());
    EXPECT_TRUE(db.open());
    if (layout == TableLayout::Rearranged)
        exec(QString::fromUtf8(kRearranged));
}

RosterFile::~RosterFile()
{
    QSqlDatabase::database(connection_).close();
    QSqlDatabase::removeDatabase(connection_);
}

QString RosterFile::path() const
{
    return store::rosterPath(dir_.path());
}

void RosterFile::exec(const QString& sql)
{
    QSqlQuery q(QSqlDatabase::database(connection_));
    EXPECT_TRUE(q.exec(sql)) << qPrintable(q.lastError().text()) << " in " << qPrintable(sql);
}

qint64 RosterFile::insert(const QString& name, const QVariantMap& columns)
{
    QStringList names{QStringLiteral("\"Name\"")};
    QStringList marks{QStringLiteral("?")};
    for (auto it = columns.cbegin(); it != columns.cend(); ++it) {
        names << u'"' + it.key() + u'"';
        marks << QStringLiteral("?");
    }
    QSqlQuery q(QSqlDatabase::database(connection_));
    q.prepare(QStringLiteral("INSERT INTO Soldier (%1) VALUES (%2)").arg(names.join(u','), marks.join(u',')));
    q.addBindValue(name.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(name));
    for (const QVariant& v : columns)
        q.addBindValue(v);
    EXPECT_TRUE(q.exec()) << qPrintable(q.lastError().text());
    return q.lastInsertId().toLongLong();
}

QVariant RosterFile::stored(qint64 key, const QString& column)
{
    QSqlQuery q(QSqlDatabase::database(connection_));
    q.prepare(QStringLiteral("SELECT \"%1\" FROM Soldier WHERE _rowid_ = ?").arg(column));
    q.addBindValue(key);
    EXPECT_TRUE(q.exec() && q.next()) << "no record " << key;
    return q.value(0);
}

int RosterFile::count()
{
    QSqlQuery q(QSqlDatabase::database(connection_));
    EXPECT_TRUE(q.exec(QStringLiteral("SELECT count(*) FROM Soldier")) && q.next());
    return q.value(0).toInt();
}

QStringList RosterFile::namesInTableOrder()
{
    QSqlQuery q(QSqlDatabase::database(connection_));
    EXPECT_TRUE(q.exec(QStringLiteral("SELECT Name FROM Soldier ORDER BY _rowid_")));
    QStringList names;
    while (q.next())
        names << (q.value(0).isNull() ? QStringLiteral("<null>") : q.value(0).toString());
    return names;
}

} // namespace varnel::rostertest
