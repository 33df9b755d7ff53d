#include "points/clock.h"
#include "points/message_sink.h"
#include "points/total_command.h"
#include "points/total_date_label.h"
#include "store/bound_control.h"
#include "store/data_control.h"
#include "store/record_commands.h"
#include "store/recordset.h"
#include "common/failure.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QVariantMap>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using namespace varnel::points;
using varnel::Failure;
using varnel::store::DataControl;
using varnel::store::Value;

namespace {

// The TotalDate label as the window binds it: a bound control that reports
// its new text to the binding.
class FakeTotalDateLabel : public varnel::store::BoundControl, public TotalDateLabel {
public:
    DataControl* data1 = nullptr;
    std::vector<std::string> textsSet;
    QString dataField() const override { return "TotalDate"; }
    void showValue(const Value&) override {}
    void setText(const QString& text) override
    {
        textsSet.push_back(text.toStdString());
        data1->setPending("TotalDate", Value::text(text));
    }
};

class RecordingSink : public MessageSink {
public:
    std::vector<std::string> shown;
    std::function<void()> whileShown;
    void show(const QString& caption, const QString& text, MessageIcon icon) override
    {
        shown.push_back(QString("%1 | %2%3").arg(caption, text, icon == MessageIcon::Exclamation ? " | !" : "")
                            .toStdString());
        if (whileShown)
            whileShown();
    }
};

const std::string kPebd = "Error | Entry for PEBD is not valid | !";
const std::string kDor = "Error | Entry for DOR is not valid | !";
const std::string kNoApft = "Varnel | No APFT points added";
const std::string kNoWeapon = "Varnel | No Weapon Qualification points added";

struct Layout {
    const char* name;
    QString createSql;
};
void PrintTo(const Layout& layout, std::ostream* os) { *os << layout.name; }

QString soldierTable(const QStringList& head, const QString& flagType, const QStringList& evaluations,
                     const QStringList& tail, const QStringList& extra)
{
    QStringList columns = head;
    columns << "TISDate DATETIME" << "DORDate DATE" << "APFT TEXT" << "Weapon TEXT";
    for (const char* flag : {"MSM", "MSM2", "ARCOM", "ARCOM2", "ARCOM3", "AAM", "AAM2", "AAM3",
                             "LTR/COM", "LTR/COM2", "LTR/COM3"})
        columns << QString("\"%1\" %2").arg(flag, flagType);
    for (const char* points : {"TISPoints", "TIGPoints", "APFTPoints", "WeaponPoints", "AwardPoints"})
        columns << QString("%1 INTEGER").arg(points);
    for (const QString& evaluation : evaluations)
        columns << QString("\"%1\" INTEGER").arg(evaluation);
    columns << tail << "TOTAL INTEGER" << extra;
    return "CREATE TABLE Soldier (" + columns.join(", ") + ")";
}

const Layout kLayouts[] = {
    {"AsCreated",
     soldierTable({"ID INTEGER PRIMARY KEY", "Name TEXT", "Rank TEXT"}, "BOOLEAN", {"1SGTPoints", "SSGTPoints"},
                  {"LastSchool TEXT", "NextSchool TEXT", "PrefDates TEXT", "TotalDate TEXT"}, {})
         .replace("TISDate DATETIME", "TISDate DATE")},
    {"Rearranged",
     soldierTable({"Rank TEXT", "PrefDates TEXT", "Name TEXT"}, "BIT", {"SSGTPoints", "1SGTPoints"},
                  {"TotalDate DATE", "RecNo INTEGER PRIMARY KEY", "NextSchool TEXT", "LastSchool TEXT"},
                  {"Remarks TEXT"})},
};

const QDateTime kNow(QDate(2024, 3, 15), QTime(10, 30));
const QDate kToday = kNow.date();

QString iso(int daysFromToday) { return kToday.addDays(daysFromToday).toString(Qt::ISODate); }

// The worked example: 1000 and 400 days of service, band "C", "S", ARCOM,
// AAM and LTR/COM, evaluations 10 and 15; an old worksheet 1 2 3 4 5 = 40.
QVariantMap workedExample()
{
    return {{"Name", "Able"}, {"Rank", "SGT"}, {"TISDate", iso(-1000)}, {"DORDate", iso(-400)},
            {"APFT", "C"}, {"Weapon", "S"}, {"MSM", 0}, {"MSM2", 0}, {"ARCOM", 1}, {"AAM", 1},
            {"LTR/COM", 1}, {"1SGTPoints", 10}, {"SSGTPoints", 15}, {"TISPoints", 1}, {"TIGPoints", 2},
            {"APFTPoints", 3}, {"WeaponPoints", 4}, {"AwardPoints", 5}, {"TOTAL", 40},
            {"TotalDate", "1/1/2000"}, {"PrefDates", "JUN"}, {"LastSchool", "WLC"}};
}

class TotalCommand : public ::testing::TestWithParam<Layout> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        path_ = varnel::store::rosterPath(dir_.path());
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "check");
        db.setDatabaseName(path_);
        ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
        exec(GetParam().createSql);
    }
    void TearDown() override
    {
        data1_.reset();
        QSqlDatabase::database("check").close();
        QSqlDatabase::removeDatabase("check");
    }

    QSqlQuery exec(const QString& sql, const QVariantList& values = {})
    {
        QSqlQuery q(QSqlDatabase::database("check"));
        q.prepare(sql);
        for (const QVariant& v : values)
            q.addBindValue(v);
        EXPECT_TRUE(q.exec()) << sql.toStdString() << ": " << q.lastError().text().toStdString();
        return q;
    }

    // Replaces the roster with one soldier (columns by name) and opens it.
    void openWith(const QVariantMap& soldier)
    {
        exec("DELETE FROM Soldier");
        QStringList names, marks;
        for (auto it = soldier.begin(); it != soldier.end(); ++it)
            names << "\"" + it.key() + "\"", marks << "?";
        exec("INSERT INTO Soldier (" + names.join(",") + ") VALUES (" + marks.join(",") + ")", soldier.values());
        open();
    }
    void open()
    {
        data1_ = std::make_unique<DataControl>();
        data1_->setDatabaseName(path_);
        data1_->setRecordSource(varnel::store::kRosterQuery);
        data1_->refresh();
        label_.data1 = data1_.get();
        data1_->registerControl(&label_);
    }
    void total() { totalCommand(*data1_, sink_, clock_, label_, u'/'); }

    // What the file holds, read through a connection of its own.
    QVariantMap stored()
    {
        QSqlQuery q = exec("SELECT * FROM Soldier");
        QVariantMap row;
        if (q.next()) {
            for (int i = 0; i < q.record().count(); ++i)
                row[q.record().fieldName(i)] = q.value(i);
        }
        EXPECT_FALSE(q.next()) << "one soldier expected";
        return row;
    }
    static std::string worksheet(const QVariantMap& row)
    {
        QStringList parts;
        for (const char* c : {"TISPoints", "TIGPoints", "APFTPoints", "WeaponPoints", "AwardPoints", "TOTAL"})
            parts << (row[c].isNull() ? "null" : row[c].toString());
        return parts.join(' ').toStdString();
    }
    QTemporaryDir dir_;
    QString path_;
    std::unique_ptr<DataControl> data1_;
    FakeTotalDateLabel label_;
    RecordingSink sink_;
    FixedClock clock_{kNow};
};

TEST_P(TotalCommand, WorkedExampleStoresTheWorksheetInTheFile)
{
    QVariantMap soldier = workedExample();
    soldier["APFT"] = "A";
    openWith(soldier);
    // Pending in the form, not yet stored: the command saves it first.
    data1_->setPending("APFT", Value::text("C"));
    total();

    const QVariantMap row = stored();
    EXPECT_EQ(worksheet(row), "32 13 40 30 40 180");
    EXPECT_EQ(row["APFT"].toString().toStdString(), "C");
    EXPECT_EQ(row["Name"].toString().toStdString(), "Able");
    EXPECT_EQ(label_.textsSet, std::vector<std::string>{"3/15/2024"});
    EXPECT_EQ(row["TotalDate"].toString().toStdString(), "3/15/2024");
    EXPECT_TRUE(sink_.shown.empty());
    EXPECT_EQ(data1_->recordset().editMode(), varnel::store::Recordset::EditMode::None);
}

TEST_P(TotalCommand, OutcomesStoreWhatTheyShould)
{
    const std::string unchanged = "1 2 3 4 5 40";
    const struct {
        const char* name;
        QVariantMap changes;
        std::vector<std::string> messages;
        std::string worksheet; // the stored TIS TIG APFT Weapon Award TOTAL
    } cases[] = {
        {"PEBD no value", {{"TISDate", QVariant()}}, {kPebd}, unchanged},
        {"PEBD impossible", {{"TISDate", "2/30/2021"}}, {kPebd}, unchanged},
        {"both dates bad", {{"TISDate", "x"}, {"DORDate", QVariant()}}, {kPebd}, unchanged},
        {"DOR no value", {{"DORDate", QVariant()}}, {kDor}, unchanged},
        {"DOR not a date", {{"DORDate", "13/1/2020"}}, {kDor}, unchanged},
        {"PEBD as m/d/yyyy text with time", {{"TISDate", kToday.addDays(-1000).toString("M/d/yyyy 8:15")}}, {},
         "32 13 40 30 40 180"},
        {"twenty years back, 31 days ahead", {{"TISDate", iso(-7305)}, {"DORDate", iso(31)}}, {},
         "50 -1 40 30 40 184"},
        {"evaluation score no value", {{"SSGTPoints", QVariant()}}, {}, "32 13 40 30 40 null"},
        {"no band, no code", {{"APFT", "a"}, {"Weapon", QVariant()}}, {kNoApft, kNoWeapon}, "32 13 0 0 40 110"},
        {"nothing to count",
         {{"TISDate", iso(0)}, {"DORDate", iso(0)}, {"APFT", "A "}, {"Weapon", ""}, {"ARCOM", QVariant()},
          {"AAM", 0}, {"LTR/COM", 0}, {"1SGTPoints", 0}, {"SSGTPoints", 0}},
         {kNoApft, kNoWeapon}, "0 0 0 0 0 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QVariantMap soldier = workedExample();
        soldier.insert(c.changes);
        openWith(soldier);
        label_.textsSet.clear();
        sink_.shown.clear();
        data1_->setPending("PrefDates", Value::text("AUG"));
        total();

        const bool completed = c.worksheet != unchanged;
        EXPECT_EQ(sink_.shown, c.messages);
        QVariantMap row = stored();
        EXPECT_EQ(worksheet(row), c.worksheet);
        EXPECT_EQ(row["PrefDates"].toString().toStdString(), "AUG"); // the form's entry, saved by step 1
        EXPECT_EQ(label_.textsSet, completed ? std::vector<std::string>{"3/15/2024"} : std::vector<std::string>{});
        EXPECT_EQ(row["TotalDate"].toString().toStdString(), completed ? "3/15/2024" : "1/1/2000");

        // No edit is left behind: saving the record again changes nothing.
        EXPECT_EQ(data1_->recordset().editMode(), varnel::store::Recordset::EditMode::None);
        data1_->recordset().edit();
        data1_->recordset().update();
        EXPECT_EQ(worksheet(stored()), c.worksheet);
    }
}

TEST_P(TotalCommand, NoticeComesWhileTheOldPointsStand)
{
    QVariantMap soldier = workedExample();
    soldier["APFT"] = "K";
    soldier["Weapon"] = "s";
    openWith(soldier);
    std::vector<std::string> buffer;
    sink_.whileShown = [&] {
        auto& rs = data1_->recordset();
        buffer.push_back(QString("%1 %2").arg(rs.fields(20).value().displayText(), rs.fields(21).value().displayText())
                             .toStdString());
    };
    total();
    EXPECT_EQ(sink_.shown, (std::vector<std::string>{kNoApft, kNoWeapon}));
    EXPECT_EQ(buffer, (std::vector<std::string>{"3 4", "0 4"}));
    EXPECT_EQ(worksheet(stored()), "32 13 0 0 40 110");
}

TEST_P(TotalCommand, TwiceOnTheSameDayStoresTheSameValues)
{
    openWith(workedExample());
    total();
    const QVariantMap first = stored();
    total();
    EXPECT_EQ(stored(), first);
    EXPECT_EQ(worksheet(first), "32 13 40 30 40 180");
}

TEST_P(TotalCommand, StampsTheDayWithoutLeadingZeros)
{
    openWith(workedExample());
    clock_.set(QDateTime(QDate(2013, 1, 5), QTime(16, 45)));
    total();
    EXPECT_EQ(label_.textsSet, std::vector<std::string>{"1/5/2013"});
    EXPECT_EQ(stored()["TotalDate"].toString().toStdString(), "1/5/2013");
}

// Reads the clock anew at each use: a run across midnight.
class SteppingClock : public Clock {
public:
    QList<QDateTime> moments;
    QDateTime now() override { return moments.size() > 1 ? moments.takeFirst() : moments.first(); }
};

TEST_P(TotalCommand, ReadsTheClockForEachUse)
{
    QVariantMap soldier = workedExample();
    soldier["TISDate"] = soldier["DORDate"] = "2012-12-05"; // 30 days to 4 January, 31 to 5 January
    openWith(soldier);
    SteppingClock clock;
    clock.moments = {QDateTime(QDate(2013, 1, 4), QTime(23, 59, 59)), QDateTime(QDate(2013, 1, 5), QTime(0, 0))};
    totalCommand(*data1_, sink_, clock, label_, u'/');
    EXPECT_EQ(worksheet(stored()), "0 1 40 30 40 136");
    EXPECT_EQ(label_.textsSet, std::vector<std::string>{"1/5/2013"});
}

TEST_P(TotalCommand, WithoutCurrentRecordFailsAtTheFirstEdit)
{
    for (bool deleted : {false, true}) {
        SCOPED_TRACE(deleted ? "last record deleted" : "empty roster");
        exec("DELETE FROM Soldier");
        if (deleted)
            exec("INSERT INTO Soldier (Name) VALUES ('Gone')");
        open();
        if (deleted) {
            data1_->recordset().deleteRecord();
            data1_->recordset().moveNext();
        }
        try {
            total();
            ADD_FAILURE() << "no failure";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.number(), varnel::store::RecordsetError::NoCurrentRecord);
        }
        QSqlQuery count = exec("SELECT COUNT(*) FROM Soldier");
        ASSERT_TRUE(count.next());
        EXPECT_EQ(count.value(0).toInt(), 0);
        EXPECT_TRUE(sink_.shown.empty());
        EXPECT_TRUE(label_.textsSet.empty());
    }
}

TEST_P(TotalCommand, StoreFailureCancelsTheEditAndGoesOn)
{
    openWith(workedExample());
    sink_.whileShown = [&] { exec("DELETE FROM Soldier"); };
    data1_->setPending("APFT", Value::text("Z")); // brings up a notice mid-command
    try {
        total();
        ADD_FAILURE() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.number(), varnel::store::RecordsetError::RecordGone);
    }
    EXPECT_EQ(sink_.shown, std::vector<std::string>{kNoApft});
    EXPECT_EQ(data1_->recordset().editMode(), varnel::store::Recordset::EditMode::None);
    EXPECT_FALSE(data1_->hasPending());
}

INSTANTIATE_TEST_SUITE_P(BothLayouts, TotalCommand, ::testing::ValuesIn(kLayouts),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
