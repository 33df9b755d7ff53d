#include "tools/roster_files.h"

#include "common/failure.h"
#include "points/scoring_rules.h"
#include "common/date_text.h"
#include "store/value.h"

#include <QDate>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>
#include <random>

namespace varnel::tools {

namespace {

const char* const kSchema[] = {
    R"(CREATE TABLE "Soldier" (
  "ID" INTEGER PRIMARY KEY, "Name" TEXT, "Rank" TEXT,
  "TISDate" DATE, "DORDate" DATE, "APFT" TEXT, "Weapon" TEXT,
  "MSM" BOOLEAN, "MSM2" BOOLEAN, "ARCOM" BOOLEAN, "ARCOM2" BOOLEAN, "ARCOM3" BOOLEAN,
  "AAM" BOOLEAN, "AAM2" BOOLEAN, "AAM3" BOOLEAN, "LTR/COM" BOOLEAN, "LTR/COM2" BOOLEAN, "LTR/COM3" BOOLEAN,
  "TISPoints" INTEGER, "TIGPoints" INTEGER, "APFTPoints" INTEGER, "WeaponPoints" INTEGER, "AwardPoints" INTEGER,
  "1SGTPoints" INTEGER, "SSGTPoints" INTEGER,
  "LastSchool" TEXT, "NextSchool" TEXT, "PrefDates" TEXT, "TotalDate" TEXT,
  "TOTAL" INTEGER))",
    R"(CREATE INDEX "SoldierByName" ON "Soldier" ("Name"))",
};

// A connection to a file that must not exist yet; removed on destruction.
class NewFile {
public:
    explicit NewFile(const QString& path) : path_(path)
    {
        if (QFileInfo::exists(path))
            throw Failure(17, QStringLiteral("The file \"%1\" already exists; choose a new name.").arg(path));
        name_ = QStringLiteral("varnel-new-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
        db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        db_.setDatabaseName(path);
        if (!db_.open())
            fail(db_.lastError(), QStringLiteral("Cannot create the roster file \"%1\""));
    }
    ~NewFile()
    {
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
    }
    QSqlDatabase& db() { return db_; }
    [[noreturn]] void fail(const QSqlError& error, const QString& what)
    {
        throw Failure(error.nativeErrorCode().toInt() ? error.nativeErrorCode().toInt() : 1,
                      what.arg(path_) + QStringLiteral(": ") + error.text());
    }
    void exec(const QString& sql)
    {
        QSqlQuery q(db_);
        if (!q.exec(sql))
            fail(q.lastError(), QStringLiteral("Cannot write the roster file \"%1\""));
    }

private:
    QString path_;
    QString name_;
    QSqlDatabase db_;
};

void writeTable(NewFile& file)
{
    for (const QString& statement : soldierTableStatements())
        file.exec(statement);
}

const QStringList kLastNames = {
    "ADAMS", "ALVAREZ", "BAKER", "BROOKS", "CARTER", "CHEN", "COLLINS", "DAVIS", "DIAZ", "EDWARDS", "EVANS",
    "FISHER", "FLORES", "GARCIA", "GRAY", "GREEN", "HALL", "HARRIS", "HUGHES", "JACKSON", "JAMES", "JOHNSON",
    "JONES", "KELLY", "KIM", "LEE", "LEWIS", "LOPEZ", "MARTIN", "MARTINEZ", "MILLER", "MITCHELL", "MOORE",
    "MORGAN", "MURPHY", "NELSON", "NGUYEN", "O'BRIEN", "ORTIZ", "PARKER", "PATEL", "PEREZ", "PHILLIPS", "PRICE",
    "RAMIREZ", "REED", "RIVERA", "ROBERTS", "RODRIGUEZ", "ROGERS", "ROSS", "SANCHEZ", "SCOTT", "SMITH",
    "STEWART", "SULLIVAN", "TAYLOR", "THOMAS", "THOMPSON", "TORRES", "TURNER", "WALKER", "WARD", "WASHINGTON",
    "WATSON", "WHITE", "WILLIAMS", "WILSON", "WOOD", "WRIGHT", "YOUNG", "VAN DER BERG", "MCALLISTER-JONES"};
const QStringList kFirstNames = {
    "AARON", "ALICIA", "ANDRE", "ANGELA", "BRIAN", "CARLOS", "CHLOE", "DANIEL", "DAVID", "DEREK", "ELENA",
    "ERIC", "GRACE", "HANNAH", "ISAAC", "JAMAL", "JASMINE", "JOSE", "KEVIN", "LAURA", "LUIS", "MARCUS",
    "MARIA", "MICHAEL", "NATALIE", "OMAR", "PRIYA", "RACHEL", "ROBERT", "SAMUEL", "SARAH", "TERRELL", "TYLER",
    "VANESSA", "WILLIAM", "XAVIER", "YOLANDA", "ZACHARY"};
const QStringList kRanks = {"PV1", "PV2", "PFC", "SPC", "CPL", "SGT", "SSG", "SFC", "MSG", "1SG", "CSM", "CSA"};
const QStringList kBands = {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J"};
const QStringList kWeapons = {"E", "S", "M"};
const QStringList kSchools = {"NONE", "WLC", "ALC", "SLC", "USASMC"};
const QStringList kMonths = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

QVariant nullVariant()
{
    return QVariant(QMetaType::fromType<QString>());
}

} // namespace

QStringList soldierTableStatements()
{
    QStringList statements;
    for (const char* s : kSchema)
        statements << QString::fromUtf8(s);
    return statements;
}

void createRosterFile(const QString& path)
{
    NewFile file(path);
    writeTable(file);
}

void writeSampleRoster(const QString& path, const SampleOptions& options)
{
    if (options.count < 0)
        throw Failure(22, QStringLiteral("The number of soldiers must not be negative."));
    NewFile file(path);
    writeTable(file);

    std::mt19937 rng(options.seed);
    auto pick = [&](const QStringList& list) { return list.at(std::uniform_int_distribution<int>(0, int(list.size()) - 1)(rng)); };
    auto chance = [&](int percent) { return std::uniform_int_distribution<int>(0, 99)(rng) < percent; };
    auto between = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };

    const QDate today = QDate::currentDate();
    QSqlDatabase& db = file.db();
    db.transaction();
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral(
        "INSERT INTO \"Soldier\" (\"Name\", \"Rank\", \"TISDate\", \"DORDate\", \"APFT\", \"Weapon\", "
        "\"MSM\", \"MSM2\", \"ARCOM\", \"ARCOM2\", \"ARCOM3\", \"AAM\", \"AAM2\", \"AAM3\", "
        "\"LTR/COM\", \"LTR/COM2\", \"LTR/COM3\", \"TISPoints\", \"TIGPoints\", \"APFTPoints\", "
        "\"WeaponPoints\", \"AwardPoints\", \"1SGTPoints\", \"SSGTPoints\", \"LastSchool\", \"NextSchool\", "
        "\"PrefDates\", \"TotalDate\", \"TOTAL\") VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"));

    for (int i = 0; i < options.count; ++i) {
        QString name = pick(kLastNames) + QStringLiteral(", ") + pick(kFirstNames);
        if (chance(60))
            name += u' ' + QChar(u'A' + between(0, 25));
        name = name.left(25);

        const int rankIndex = between(0, int(kRanks.size()) - 1);
        const QDate tis = today.addDays(-between(30, 25 * 365));
        const QDate dor = tis.addDays(between(0, int(tis.daysTo(today))));

        QVariantList row;
        row << (chance(1) ? nullVariant() : QVariant(name));
        row << (chance(1) ? nullVariant() : QVariant(kRanks.at(rankIndex)));
        row << (chance(2) ? nullVariant() : QVariant(varnel::isoDateText(tis.startOfDay(), false)));
        row << (chance(2) ? nullVariant() : QVariant(varnel::isoDateText(dor.startOfDay(), false)));

        QVariant band = kBands.at(between(0, 9));
        if (chance(3))
            band = chance(50) ? QVariant(band.toString().toLower()) : QVariant(QStringLiteral("K"));
        else if (chance(2))
            band = nullVariant();
        QVariant weapon = pick(kWeapons);
        if (chance(3))
            weapon = chance(50) ? QVariant(weapon.toString().toLower()) : QVariant(QStringLiteral("X"));
        else if (chance(2))
            weapon = nullVariant();
        row << band << weapon;

        // Awards: most soldiers hold a few, some none, a few every one.
        const int pattern = between(0, 99);
        store::Value flags[11];
        for (int a = 0; a < 11; ++a) {
            const bool held = pattern >= 95 ? true : pattern < 20 ? false : chance(a < 2 ? 10 : 25);
            flags[a] = chance(2) ? store::Value::null() : store::Value::boolean(held);
            row << (flags[a].isNull() ? QVariant(QMetaType::fromType<qlonglong>()) : QVariant(qlonglong(held ? 1 : 0)));
        }

        const QVariant eval1 = chance(3) ? QVariant(QMetaType::fromType<qlonglong>()) : QVariant(qlonglong(between(0, 50)));
        const QVariant eval2 = chance(3) ? QVariant(QMetaType::fromType<qlonglong>()) : QVariant(qlonglong(between(0, 50)));

        // A worksheet as Total would have written it on the day of the total.
        const bool totalled = row.at(2).isValid() && !row.at(2).isNull() && row.at(3).isValid() && !row.at(3).isNull() && chance(80);
        if (totalled) {
            const QDate day = today.addDays(-between(0, int(std::min<qint64>(400, dor.daysTo(today)))));
            const int tisPoints = points::ServiceMonths(tis.startOfDay(), day.startOfDay());
            const int tigPoints = points::ServiceMonths(dor.startOfDay(), day.startOfDay());
            const auto toValue = [](const QVariant& v) { return v.isNull() ? store::Value::null() : store::Value::text(v.toString()); };
            const int apftPoints = points::ScoreAPFT(toValue(band)).points;
            const int weaponPoints = points::ScoreWeapon(toValue(weapon)).points;
            points::AwardFlags awardFlags;
            std::copy(std::begin(flags), std::end(flags), awardFlags.begin());
            const int awardPoints = points::ScoreAwards(awardFlags);
            row << tisPoints << tigPoints << apftPoints << weaponPoints << awardPoints << eval1 << eval2;
            row << kSchools.at(between(0, 4)) << (chance(5) ? QVariant(QStringLiteral("BLC")) : QVariant(pick(kSchools)));
            row << QVariant(pick(kMonths) + QStringLiteral("-") + pick(kMonths) + u' ' + QString::number(today.year() + 1));
            row << varnel::shortDateText(day);
            row << ((eval1.isNull() || eval2.isNull()) ? QVariant(QMetaType::fromType<qlonglong>())
                                                       : QVariant(qlonglong(tisPoints + tigPoints + apftPoints + weaponPoints + awardPoints
                                                                           + eval1.toLongLong() + eval2.toLongLong())));
        } else {
            const QVariant none(QMetaType::fromType<qlonglong>());
            row << none << none << none << none << none << eval1 << eval2;
            row << (chance(50) ? QVariant(pick(kSchools)) : nullVariant()) << (chance(50) ? QVariant(pick(kSchools)) : nullVariant());
            row << nullVariant() << nullVariant() << none;
        }

        for (const QVariant& v : row)
            insert.addBindValue(v);
        if (!insert.exec())
            file.fail(insert.lastError(), QStringLiteral("Cannot write the roster file \"%1\""));
    }
    if (!db.commit())
        file.fail(db.lastError(), QStringLiteral("Cannot write the roster file \"%1\""));
}

} // namespace varnel::tools
