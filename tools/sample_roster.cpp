// `varnel-roster sample`: a roster that looks like a real unit's, and, when
// asked, the odd records other programs and hurried typing leave behind.

#include "tools/roster_files.h"

#include "common/date_text.h"
#include "common/failure.h"
#include "common/failure_numbers.h"
#include "points/scoring_rules.h"
#include "store/value.h"
#include "store/new_roster_file.h"

#include <QCoreApplication>
#include <QDate>
#include <QSqlError>
#include <QSqlQuery>
#include <QSet>
#include <QVariant>
#include <random>

namespace varnel::tools {

namespace {

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
const QStringList kAwards = {"MSM", "MSM2", "ARCOM", "ARCOM2", "ARCOM3", "AAM", "AAM2", "AAM3", "LTR/COM", "LTR/COM2", "LTR/COM3"};

// A company's shape: how many of each rank among its privates, specialists
// and NCOs below first sergeant (out of 100), the months of service they
// have, and the school each has been to last. The command posts come apart:
// one first sergeant to a company (about 150 soldiers), one sergeant major
// to a battalion (about 600), and no Chief of Staff of the Army anywhere.
struct RankProfile {
    int weight;
    int fewestMonths, mostMonths;
    int lastSchool; // index into kSchools
};
const RankProfile kProfiles[] = {
    {6, 0, 8, 0},       // PV1
    {10, 4, 14, 0},     // PV2
    {17, 8, 30, 0},     // PFC
    {28, 18, 60, 0},    // SPC
    {3, 24, 72, 1},     // CPL
    {20, 36, 120, 1},   // SGT
    {11, 72, 168, 2},   // SSG
    {4, 108, 216, 3},   // SFC
    {1, 168, 264, 3},   // MSG
    {0, 168, 264, 3},   // 1SG: one a company
    {0, 216, 360, 4},   // CSM: one a battalion
    {0, 240, 420, 4},   // CSA: none
};
constexpr int kCompany = 150;
constexpr int kBattalion = 600;
constexpr int kFirstSergeant = 9;
constexpr int kSergeantMajor = 10;

// Most soldiers pass the fitness test in the middle bands.
const int kBandWeights[] = {5, 8, 14, 16, 16, 14, 10, 8, 6, 3};
const int kWeaponWeights[] = {25, 40, 35}; // Expert, Sharpshooter, Marksman

class Dice {
public:
    explicit Dice(quint32 seed) : rng_(seed) {}
    int between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    bool chance(int percent) { return between(0, 99) < percent; }
    const QString& pick(const QStringList& list) { return list.at(between(0, int(list.size()) - 1)); }
    template <std::size_t N>
    int weighted(const int (&weights)[N])
    {
        return std::discrete_distribution<int>(std::begin(weights), std::end(weights))(rng_);
    }

private:
    std::mt19937 rng_;
};

using Soldier = QVariantMap; // column name -> value; a column left out is NULL

QString plausibleName(Dice& dice)
{
    QString name = dice.pick(kLastNames) + QStringLiteral(", ") + dice.pick(kFirstNames);
    if (dice.chance(60))
        name += u' ' + QChar(u'A' + dice.between(0, 25));
    return name.left(25);
}

// Names as a unit has them: no two alike while the lists give enough
// (some 70,000 names); past that, as in a whole service, some repeat.
class NameRoll {
public:
    QString next(Dice& dice)
    {
        QString name = plausibleName(dice);
        for (int tries = 0; used_.contains(name) && tries < 20; ++tries)
            name = plausibleName(dice);
        used_.insert(name);
        return name;
    }

private:
    QSet<QString> used_;
};

// The rank of the `index`th soldier: a first sergeant at the head of each
// company, a sergeant major in the middle of each whole battalion, the
// others as the company's shape has them.
int rankOf(Dice& dice, int index, int count)
{
    if (index % kCompany == 0)
        return kFirstSergeant;
    if (index % kBattalion == kBattalion / 2 && count - index + kBattalion / 2 >= kBattalion)
        return kSergeantMajor;
    int rankWeights[std::size(kProfiles)];
    for (std::size_t i = 0; i < std::size(kProfiles); ++i)
        rankWeights[i] = kProfiles[i].weight;
    return dice.weighted(rankWeights);
}

// A soldier of the unit: rank, service, fitness, weapon, awards and schools
// that go together.
Soldier plausibleSoldier(Dice& dice, NameRoll& names, int rank, const QDate& today)
{
    const RankProfile& profile = kProfiles[rank];
    const QDate tis = today.addDays(-30 * dice.between(profile.fewestMonths, profile.mostMonths) - dice.between(0, 29));
    const QDate dor = std::min(today, std::max(tis, today.addDays(-30 * dice.between(1, 36) - dice.between(0, 29))));

    Soldier s;
    s["Name"] = names.next(dice);
    s["Rank"] = kRanks.at(rank);
    s["TISDate"] = isoDateText(tis.startOfDay(), false);
    s["DORDate"] = isoDateText(dor.startOfDay(), false);
    s["APFT"] = kBands.at(dice.weighted(kBandWeights));
    s["Weapon"] = kWeapons.at(dice.weighted(kWeaponWeights));
    // Awards come with service: the more years, the more of them.
    const int years = int(tis.daysTo(today) / 365);
    for (const QString& award : kAwards) {
        const bool senior = award.startsWith(QLatin1String("MSM"));
        const int percent = std::min(80, (senior ? 2 : 8) * years + (award.endsWith(u'2') ? -10 : award.endsWith(u'3') ? -20 : 0));
        s[award] = qlonglong(dice.chance(std::max(0, percent)) ? 1 : 0);
    }
    s["1SGTPoints"] = qlonglong(dice.between(10, 50));
    s["SSGTPoints"] = qlonglong(dice.between(10, 50));
    s["LastSchool"] = kSchools.at(profile.lastSchool);
    s["NextSchool"] = kSchools.at(std::min(profile.lastSchool + 1, int(kSchools.size()) - 1));
    // The months the soldier asks for run forward within next year.
    const int from = dice.between(0, int(kMonths.size()) - 1);
    s["PrefDates"] = kMonths.at(from) + u'-' + kMonths.at(dice.between(from, int(kMonths.size()) - 1)) + u' '
        + QString::number(today.year() + 1);
    return s;
}

// A code in lower case or one no table has, or none at all.
void roughenCode(Soldier& s, Dice& dice, const char* column, const QString& stray)
{
    if (dice.chance(4))
        s[column] = dice.chance(50) ? s[column].toString().toLower() : stray;
    else if (dice.chance(2))
        s.remove(column);
}

// What other programs and hurried typing leave: no name, no rank or dates,
// lower-case or stray codes, blank evaluations, every award or none, ranks
// no company has.
void roughen(Soldier& s, Dice& dice)
{
    if (dice.chance(2))
        s.remove(dice.chance(50) ? "Name" : "Rank");
    if (dice.chance(1))
        s["Rank"] = kRanks.at(dice.between(0, int(kRanks.size()) - 1));
    if (dice.chance(3))
        s.remove(dice.chance(50) ? "TISDate" : "DORDate");
    roughenCode(s, dice, "APFT", QStringLiteral("K"));
    roughenCode(s, dice, "Weapon", QStringLiteral("X"));
    if (dice.chance(3))
        s.remove(dice.chance(50) ? "1SGTPoints" : "SSGTPoints");
    if (dice.chance(3)) {
        const bool all = dice.chance(50);
        for (const QString& award : kAwards)
            s[award] = qlonglong(all ? 1 : 0);
    }
    if (dice.chance(2))
        s.remove(kAwards.at(dice.between(0, int(kAwards.size()) - 1)));
    if (dice.chance(5))
        s["NextSchool"] = QStringLiteral("BLC");
}

store::Value valueOf(const Soldier& s, const QString& column)
{
    const QVariant v = s.value(column);
    if (!v.isValid() || v.isNull())
        return store::Value::null();
    if (v.typeId() == QMetaType::LongLong)
        return store::Value::boolean(v.toLongLong() != 0);
    return store::Value::text(v.toString());
}

// The worksheet the Total command would have written on `day`.
void total(Soldier& s, const QDate& day)
{
    const int tis = points::ServiceMonths(QDate::fromString(s["TISDate"].toString(), Qt::ISODate).startOfDay(), day.startOfDay());
    const int tig = points::ServiceMonths(QDate::fromString(s["DORDate"].toString(), Qt::ISODate).startOfDay(), day.startOfDay());
    points::AwardFlags flags;
    for (std::size_t a = 0; a < flags.size(); ++a)
        flags[a] = valueOf(s, kAwards.at(qsizetype(a)));
    const int apft = points::ScoreAPFT(valueOf(s, QStringLiteral("APFT"))).points;
    const int weapon = points::ScoreWeapon(valueOf(s, QStringLiteral("Weapon"))).points;
    const int awards = points::ScoreAwards(flags);
    s["TISPoints"] = tis;
    s["TIGPoints"] = tig;
    s["APFTPoints"] = apft;
    s["WeaponPoints"] = weapon;
    s["AwardPoints"] = awards;
    s["TotalDate"] = shortDateText(day);
    if (s.contains("1SGTPoints") && s.contains("SSGTPoints"))
        s["TOTAL"] = tis + tig + apft + weapon + awards + s["1SGTPoints"].toInt() + s["SSGTPoints"].toInt();
}

} // namespace

void writeSampleRoster(const QString& path, const SampleOptions& options)
{
    if (options.count < 0)
        throw Failure(ToolError::InvalidArgument, QCoreApplication::translate("varnel::tools", "The number of soldiers must not be negative."));
    store::NewRosterFile file(path);
    for (const QString& statement : soldierTableStatements())
        file.exec(statement);

    Dice dice(options.seed);
    const QDate today = QDate::currentDate();
    QSqlDatabase& db = file.db();
    db.transaction();
    QSqlQuery columns(db);
    columns.exec(QStringLiteral("SELECT name FROM pragma_table_info('Soldier') WHERE pk = 0"));
    QStringList names, marks;
    while (columns.next())
        names << columns.value(0).toString(), marks << QStringLiteral("?");
    QSqlQuery insert(db);
    QStringList quoted;
    for (const QString& n : names)
        quoted << u'"' + n + u'"';
    insert.prepare(QStringLiteral("INSERT INTO \"Soldier\" (%1) VALUES (%2)").arg(quoted.join(u','), marks.join(u',')));

    NameRoll soldierNames;
    for (int i = 0; i < options.count; ++i) {
        Soldier s = plausibleSoldier(dice, soldierNames, rankOf(dice, i, options.count), today);
        if (options.edgeCases)
            roughen(s, dice);
        // Most of the unit was totalled in the last weeks; the dates must
        // be there for Total to have run.
        if (s.contains("TISDate") && s.contains("DORDate") && dice.chance(options.edgeCases ? 80 : 92)) {
            const QDate dor = QDate::fromString(s["DORDate"].toString(), Qt::ISODate);
            total(s, today.addDays(-dice.between(0, int(std::min<qint64>(90, dor.daysTo(today))))));
        }
        for (const QString& n : names)
            insert.addBindValue(s.contains(n) ? s.value(n) : QVariant(QMetaType::fromType<QString>()));
        if (!insert.exec())
            file.fail(insert.lastError(), QCoreApplication::translate("varnel::tools", "Cannot write the roster file \"%1\""));
    }
    if (!db.commit())
        file.fail(db.lastError(), QCoreApplication::translate("varnel::tools", "Cannot write the roster file \"%1\""));
    file.finish();
}

} // namespace varnel::tools
