// Every change can be taken back, and none lands on the wrong soldier:
// Undo and Redo of each stored command, the checked Delete, the choice
// when a record became another soldier's, a roster copied over the open
// file, and soldiers brought back from a safety copy.
#include "ui_fixture.h"

#include "ui/roster_grid.h"

#include <QAction>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace varnel::ui::test {
namespace {

class TakingBack : public ::testing::TestWithParam<RosterKind> {
protected:
    // The whole roster as another program reads it: the file's SQL text
    // (sqlite3 .dump, byte for byte), or every record on the server.
    static QString snapshot(const RosterFile& roster)
    {
        if (!roster.onServer()) {
            QProcess dump;
            dump.start("sqlite3", {roster.path(), ".dump"});
            EXPECT_TRUE(dump.waitForFinished());
            return QString::fromUtf8(dump.readAllStandardOutput());
        }
        QStringList rows;
        for (const QVariantMap& record : roster.records()) {
            QStringList fields;
            for (auto it = record.cbegin(); it != record.cend(); ++it)
                fields << it.key() + "=" + storedText(it.value());
            rows << fields.join(", ");
        }
        return rows.join("\n");
    }
    static void press(FormUnderTest& ui, QKeyCombination keys)
    {
        ui.form->grid()->setFocus();
        QTest::keyClick(ui.form->grid(), keys.key(), keys.keyboardModifiers());
    }
    static QString undoCaption(const FormUnderTest& ui) { return ui.find<QAction>("MNU_UNDO")->text(); }
};

TEST_P(TakingBack, EveryStoredCommandIsUndoneAndRedoneStepByStep)
{
    RosterFile roster(GetParam());
    const QDate today(2026, 12, 7);
    roster.insert({{"Name", "ADAMS"}, {"TISDate", "2020-01-01"}, {"DORDate", "2024-01-01"}, {"APFT", "C"}, {"Weapon", "S"},
                   {"1SGTPoints", 10}, {"SSGTPoints", 15}, {"TotalDate", "6/2/2024"}, {"TOTAL", 99}});
    roster.insert({{"Name", "BAKER"}, {"Rank", "SGT"}, {"TISDate", "2019-05-05"}, {"DORDate", "2023-05-05"}, {"MSM", 1}});
    roster.insert({{"Name", "CARTER"}, {"TISDate", "3/15/2021"}, {"DORDate", "2025-01-01"}});
    FormUnderTest ui(roster, QDateTime(today, QTime(9, 0)));

    QStringList states{snapshot(roster)};
    QStringList captions;
    const auto step = [&](const std::function<void()>& command) {
        command();
        states << snapshot(roster);
        captions << undoCaption(ui);
    };
    step([&] { typeInto(ui.find("PrefDates"), "AUG"); ui.click("Command3"); });
    step([&] { ui.click("Command5"); });
    step([&] { ui.click("Command1"); });
    step([&] { ui.clickRow(1); ui.click("Command2"); });
    ui.boxes.answers = {0, 0}; // Total, then the summary's OK
    step([&] { ui.find<QAction>("MNU_TOTALALL")->trigger(); });
    ASSERT_EQ(captions, QStringList({"&Undo Update of ADAMS", "&Undo Total of ADAMS", "&Undo Add", "&Undo Delete of BAKER",
                                     "&Undo Total All Soldiers"}));
    EXPECT_EQ(QSet<QString>(states.cbegin(), states.cend()).size(), 6) << "every step changed the roster";

    for (int i = 5; i > 0; --i) {
        SCOPED_TRACE(captions[i - 1].toStdString());
        EXPECT_EQ(undoCaption(ui), captions[i - 1]);
        press(ui, Qt::CTRL | Qt::Key_Z);
        EXPECT_EQ(snapshot(roster), states[i - 1]);
    }
    EXPECT_FALSE(ui.find<QAction>("MNU_UNDO")->isEnabled());
    EXPECT_EQ(ui.find<QAction>("MNU_REDO")->text(), "&Redo Update of ADAMS");
    for (int i = 1; i <= 5; ++i) {
        press(ui, i % 2 ? (Qt::CTRL | Qt::Key_Y) : (Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
        EXPECT_EQ(snapshot(roster), states[i]) << "redo " << i;
    }
    EXPECT_EQ(ui.boxes.lines().filter("Varnel | 3").size(), 0) << ui.boxes.lines().join("\n").toStdString();
    EXPECT_EQ(roster.names().size(), 3);
}

TEST_P(TakingBack, AnUndoStoresNothingOverAnotherWritersChange)
{
    RosterFile roster(GetParam());
    const qint64 adams = roster.insert({{"Name", "ADAMS"}, {"PrefDates", "JUN"}});
    const qint64 baker = roster.insert({{"Name", "BAKER"}, {"Rank", "SGT"}});
    FormUnderTest ui(roster);

    // The clerk's store, then another program's change of the same box.
    typeInto(ui.find("PrefDates"), "AUG");
    ui.click("Command3");
    ASSERT_EQ(roster.runInAnotherProgram(R"(UPDATE "Soldier" SET "PrefDates" = 'SEP' WHERE "Name" = 'ADAMS')"), 0);
    press(ui, Qt::CTRL | Qt::Key_Z);
    ASSERT_EQ(ui.boxes.shown.size(), 1);
    EXPECT_TRUE(ui.boxes.shown[0].text.startsWith("3197: Cannot undo \"Update of ADAMS\"")) << qPrintable(ui.boxes.shown[0].text);
    EXPECT_TRUE(ui.boxes.shown[0].text.contains("(PrefDates)"));
    EXPECT_EQ(roster.stored(adams, "PrefDates"), "SEP");

    // A deleted soldier whose key another soldier took meanwhile comes back
    // under a new key, and the clerk is told.
    ui.clickRow(1);
    ui.click("Command2");
    roster.exec(QStringLiteral(R"(INSERT INTO "Soldier" (%1, "Name") VALUES (%2, 'CARTER'))").arg(roster.keyColumn()).arg(baker));
    ui.boxes.shown.clear();
    press(ui, Qt::CTRL | Qt::Key_Z);
    ASSERT_EQ(ui.boxes.shown.size(), 1);
    EXPECT_TRUE(ui.boxes.shown[0].text.contains("\"BAKER\" is back under the key")) << qPrintable(ui.boxes.shown[0].text);
    EXPECT_EQ(roster.stored(baker, "Name"), "CARTER");
    EXPECT_EQ(roster.recordNamed("BAKER").value("Rank"), "SGT") << "with every value";
    EXPECT_EQ(ui.currentName(), "BAKER");
}

TEST_P(TakingBack, DeleteAndEntriesNeverLandOnAnotherSoldier)
{
    enum class Then { Delete, KeepEntriesChoice, AddAsNewChoice };
    const struct {
        const char* name;
        const char* otherProgram; // %1 the key column, %2 ADAMS's key
        Then then;
        QStringList namesAfter;   // in key order
    } cases[] = {
        {"another clerk changed the record", R"(UPDATE "Soldier" SET "Rank" = 'SSG' WHERE %1 = %2)", Then::Delete, {"BAKER", "ADAMS"}},
        {"the key now holds another soldier", R"(UPDATE "Soldier" SET "Name" = 'CRUZ, TOM', "Rank" = 'PV1' WHERE %1 = %2)",
         Then::Delete, {"BAKER", "CRUZ, TOM"}},
        {"take the stored record", R"(UPDATE "Soldier" SET "Name" = 'CRUZ, TOM', "Rank" = 'PV1' WHERE %1 = %2)",
         Then::KeepEntriesChoice, {"BAKER", "CRUZ, TOM"}},
        {"add the entries as a new soldier", R"(UPDATE "Soldier" SET "Name" = 'CRUZ, TOM', "Rank" = 'PV1' WHERE %1 = %2)",
         Then::AddAsNewChoice, {"BAKER", "CRUZ, TOM", "ADAMS"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RosterFile roster(GetParam());
        roster.insert({{"Name", "BAKER"}});
        const qint64 adams = roster.insert({{"Name", "ADAMS"}, {"Rank", "SGT"}, {"PrefDates", "JUN"}});
        FormUnderTest ui(roster);
        ASSERT_EQ(ui.currentName(), "ADAMS");
        if (c.then != Then::Delete)
            typeInto(ui.find("PrefDates"), "AUG");
        ASSERT_EQ(roster.runInAnotherProgram(QString(c.otherProgram).arg(roster.keyColumn()).arg(adams)), 0);
        ui.boxes.answers = {c.then == Then::AddAsNewChoice ? 1 : 0};
        ui.click(c.then == Then::Delete ? "Command2" : "Command3");

        ASSERT_FALSE(ui.boxes.shown.isEmpty());
        const RecordingBoxes::Box& box = ui.boxes.shown[0];
        EXPECT_TRUE(box.text.startsWith("3197: ")) << qPrintable(box.text);
        if (c.then != Then::Delete) {
            EXPECT_EQ(box.buttons, QStringList({"&Take the stored record", "&Add my entries as a new soldier"}));
            EXPECT_TRUE(box.text.contains("This is now \"CRUZ, TOM\", not \"ADAMS\"")) << qPrintable(box.text);
        }
        EXPECT_EQ(roster.names(), c.namesAfter);
        EXPECT_EQ(roster.stored(adams, "Rank"), c.namesAfter[1] == "ADAMS" ? "SSG" : "PV1") << "the other writer's record stands";
        EXPECT_EQ(roster.stored(adams, "PrefDates"), "JUN");
        if (c.then == Then::AddAsNewChoice) {
            EXPECT_EQ(roster.recordNamed("ADAMS").value("PrefDates"), "AUG");
            EXPECT_EQ(roster.recordNamed("ADAMS").value("Rank"), "SGT");
            EXPECT_EQ(ui.currentName(), "ADAMS");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BothEngines, TakingBack,
                         ::testing::Values(RosterKind{Engine::File, TableLayout::Standard}, RosterKind{Engine::Server, TableLayout::Standard}),
                         rosterName);

TEST(TakingBackFile, ARosterCopiedOverTheOpenFileIsReadBeforeTheNextCommand)
{
    RosterFile roster, other;
    roster.insertNames({"ADAMS", "BAKER"});
    other.insertNames({"CARTER", "DAVIS", "EVANS"});
    FormUnderTest ui(roster);
    ASSERT_EQ(ui.currentName(), "ADAMS");
    // As a clerk restoring a copy does: the open file keeps its inode.
    ASSERT_EQ(runProgram("cp", {other.path(), roster.path()}), 0);

    ui.click("Command2");
    ASSERT_EQ(ui.boxes.shown.size(), 1);
    EXPECT_TRUE(ui.boxes.shown[0].text.startsWith("3197: ")) << qPrintable(ui.boxes.shown[0].text);
    EXPECT_TRUE(ui.boxes.shown[0].text.contains("\"ADAMS\" now holds \"CARTER\"")) << qPrintable(ui.boxes.shown[0].text);
    EXPECT_EQ(roster.names(), QStringList({"CARTER", "DAVIS", "EVANS"})) << "nothing deleted";
    EXPECT_EQ(ui.currentName(), "<none>");
    EXPECT_EQ(ui.cell(2, 0), "EVANS") << "the grid shows the roster as it is now";
    ui.clickRow(1);
    EXPECT_EQ(ui.currentName(), "DAVIS");
}

TEST(TakingBackFile, SoldiersComeBackFromASafetyCopyThroughTheDialog)
{
    RosterFile roster;
    const qint64 adams = roster.insert({{"Name", "ADAMS"}, {"PrefDates", "JUN"}});
    roster.insert({{"Name", "BAKER"}, {"Rank", "SGT"}, {"PrefDates", "MAY"}});
    FormUnderTest ui(roster);
    typeInto(ui.find("PrefDates"), "AUG"); // the first write saves a safety copy
    ui.click("Command3");
    ui.clickRow(1);
    ui.click("Command2");

    ui.find<QAction>("MNU_RESTORE")->trigger();
    auto* dialog = ui.form->findChild<QDialog*>("RestoreDialog");
    ASSERT_NE(dialog, nullptr);
    auto* copies = dialog->findChild<QTreeWidget*>("CopyList");
    ASSERT_EQ(copies->topLevelItemCount(), 1);
    EXPECT_EQ(copies->topLevelItem(0)->text(1), "2");
    copies->setCurrentItem(copies->topLevelItem(0));
    auto* soldiers = dialog->findChild<QTreeWidget*>("SoldierList");
    ASSERT_EQ(soldiers->topLevelItemCount(), 2);
    EXPECT_EQ(soldiers->topLevelItem(0)->text(0) + " " + soldiers->topLevelItem(0)->text(1) + " " + soldiers->topLevelItem(0)->text(2),
              "ADAMS changed PrefDates");
    EXPECT_EQ(soldiers->topLevelItem(1)->text(0) + " " + soldiers->topLevelItem(1)->text(1), "BAKER deleted");
    auto* restore = dialog->findChild<QPushButton*>("RestoreButton");
    EXPECT_FALSE(restore->isEnabled()) << "nothing ticked";
    soldiers->topLevelItem(1)->setCheckState(0, Qt::Checked);
    QTest::mouseClick(restore, Qt::LeftButton);

    EXPECT_EQ(roster.names(), QStringList({"ADAMS", "BAKER"}));
    EXPECT_EQ(roster.recordNamed("BAKER").value("Rank"), "SGT");
    EXPECT_EQ(roster.stored(adams, "PrefDates"), "AUG") << "what was not ticked stays";
    EXPECT_EQ(ui.find<QAction>("MNU_UNDO")->text(), "&Undo Restore from Safety Copy");
    ui.find<QAction>("MNU_UNDO")->trigger();
    EXPECT_EQ(roster.names(), QStringList({"ADAMS"}));
    EXPECT_EQ(ui.boxes.lines(), QStringList());
}

} // namespace
} // namespace varnel::ui::test
