#include "sample_roster.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <gtest/gtest.h>
#include <stdexcept>

namespace varnel::reports::test {

namespace {

void check(bool ok, const QSqlQuery& query)
{
    if (!ok)
        throw std::runtime_error(query.lastError().text().toStdString());
}

} // namespace

void createRoster(const QString& path, const QList<SoldierRow>& rows)
{
    QFile schemaFile(QStringLiteral(VARNEL_SOLDIER_TABLE_SQL));
    if (!schemaFile.open(QIODevice::ReadOnly))
        throw std::runtime_error("soldier-table.sql not found");
    const QString schema = QString::fromUtf8(schemaFile.readAll());

    static int serial = 0;
    const QString name = QStringLiteral("test-roster-%1").arg(++serial);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            throw std::runtime_error(db.lastError().text().toStdString());
        QSqlQuery query(db);
        // Comments go first: they may hold semicolons.
        QStringList code;
        for (const QString& line : schema.split(u'\n')) {
            const qsizetype comment = line.indexOf(QStringLiteral("--"));
            code << (comment < 0 ? line : line.left(comment));
        }
        for (const QString& statement : code.join(u'\n').split(u';'))
            if (!statement.trimmed().isEmpty())
                check(query.exec(statement), query);
        check(db.transaction(), query);
        for (const SoldierRow& row : rows) {
            QStringList columns, marks;
            for (auto it = row.begin(); it != row.end(); ++it) {
                columns << QStringLiteral("\"%1\"").arg(it.key());
                marks << QStringLiteral("?");
            }
            check(query.prepare(QStringLiteral("INSERT INTO \"Soldier\" (%1) VALUES (%2)")
                                    .arg(columns.join(u','), marks.join(u','))),
                  query);
            for (const QVariant& value : row)
                query.addBindValue(value);
            check(query.exec(), query);
        }
        check(db.commit(), query);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

void createPlainDatabase(const QString& path)
{
    static int serial = 0;
    const QString name = QStringLiteral("test-plain-%1").arg(++serial);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            throw std::runtime_error(db.lastError().text().toStdString());
        QSqlQuery query(db);
        check(query.exec(QStringLiteral("CREATE TABLE \"Notes\" (\"Name\" TEXT)")), query);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

QList<SoldierRow> sampleSoldiers()
{
    auto points = [](SoldierRow row, QList<int> values) {
        const char* names[] = {"TISPoints", "TIGPoints", "APFTPoints", "WeaponPoints",
                               "AwardPoints", "1SGTPoints", "SSGTPoints", "TOTAL"};
        for (int i = 0; i < values.size(); ++i)
            row.insert(QString::fromLatin1(names[i]), values[i]);
        return row;
    };
    return {
        points({{"Name", "Adams, John"}, {"Rank", "SGT"}, {"TISDate", "2012-03-15"},
                {"DORDate", "2019-07-01 00:00:00"}, {"APFT", "C"}, {"Weapon", "E"},
                {"ARCOM", 1}, {"ARCOM2", -1}, {"AAM", 1}, {"MSM", 0},
                {"LastSchool", "WLC"}, {"NextSchool", "ALC"}, {"PrefDates", "Jan-Mar 2025"},
                {"TotalDate", "6/2/2024"}},
               {50, 50, 40, 50, 45, 90, 87, 412}),
        points({{"Name", "Baker, Mary"}, {"Rank", "SPC"}, {"TISDate", "2016-09-01"}, {"DORDate", "01/15/2021 8:30:00"},
                {"APFT", "A"}, {"Weapon", "S"}, {"LastSchool", "NONE"}, {"NextSchool", "WLC"},
                {"PrefDates", "any time"}, {"TotalDate", "2024-06-03"}},
               {50, 41, 50, 40, 0, 100, 131, 412}),
        {{"Name", "Cruz, Ana"}, {"Rank", "PFC"}, {"TISDate", "2020-01-10"}},
        points({{"Name", "Diaz, Luis"}, {"Rank", "SSG"}, {"TISDate", "2008-05-20"}, {"DORDate", "2018-02-01"},
                {"APFT", "B"}, {"Weapon", "E"}, {"MSM", 1}, {"ARCOM", 1}, {"ARCOM2", 1}, {"ARCOM3", 1},
                {"LTR/COM", 1}, {"LastSchool", "ALC"}, {"NextSchool", "SLC"}, {"PrefDates", "after 1 Oct"},
                {"TotalDate", "3/14/2024"}},
               {50, 50, 45, 50, 50, 150, 145, 540}),
        points({{"Name", "Evans, Kim"}, {"Rank", "CPL"}, {"TISDate", "2018-11-11"}, {"DORDate", "2022-04-30"},
                {"APFT", "J"}, {"Weapon", "M"}, {"AAM", 1}, {"LastSchool", "NONE"}, {"NextSchool", "WLC"},
                {"TotalDate", "5/1/2024"}},
               {40, 20, 5, 10, 10, 85, 80, 250}),
        points({{"Name", "Ford, Al"}, {"Rank", "SGT"}, {"Weapon", ""}, {"NextSchool", "Airborne"}}, {50}),
        points({{"Name", "Green, Pat"}, {"Rank", "PV2"}, {"TISDate", "2023-02-01"}, {"DORDate", "2023-08-01"},
                {"APFT", "G"}, {"Weapon", "M"}, {"NextSchool", "NONE"}, {"TotalDate", "4/9/2024"}},
               {10, 5, 20, 10, 0, 30, 20, 95}),
    };
}

QString copyShippedLayout(const QString& name, const QString& dir)
{
    const QString target = dir + u'/' + name;
    QFile::remove(target);
    if (!QFile::copy(QStringLiteral(VARNEL_DATA_DIR) + u'/' + name, target))
        throw std::runtime_error("cannot copy the shipped layout " + name.toStdString());
    return target;
}

QString writeFile(const QString& path, const QByteArray& text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size())
        throw std::runtime_error("cannot write " + path.toStdString());
    return path;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace varnel::reports::test
