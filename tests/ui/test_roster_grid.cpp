// The roster grid: its model under Qt's model checker, cell limits and the
// date check, the new-record row, deleting by record selectors.
#include "ui_fixture.h"

#include "ui/roster_grid.h"
#include "ui/roster_grid_model.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>

namespace varnel::ui::test {
namespace {

// Opens the cell's editor, types into it and presses Enter.
void typeIntoCell(const FormUnderTest& ui, int row, int column, const QString& text, bool replace = true)
{
    RosterGrid* grid = ui.form->grid();
    const QModelIndex index = grid->model()->index(row, column);
    grid->setFocus();
    grid->setCurrentIndex(index); // as the arrow keys move
    grid->edit(index);
    QWidget* editor = QApplication::focusWidget();
    if (auto* combo = qobject_cast<QComboBox*>(editor))
        editor = combo->lineEdit();
    if (auto* line = qobject_cast<QLineEdit*>(editor); line && replace)
        line->selectAll();
    if (text.isEmpty())
        QTest::keyClick(editor, Qt::Key_Delete);
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::qWait(20); // a refusal is reported once the editor has closed
}

class RosterGridTest : public ::testing::Test {
protected:
    RosterFile roster;
    const qint64 adams = roster.insert({{"Name", "ADAMS, JOHN"}, {"Rank", "SGT"}, {"TISDate", "2010-05-01"}, {"DORDate", "2019-02-01 08:30:00"}});
    const qint64 baker = roster.insert({{"Name", "BAKER, MARY"}, {"Rank", "SSG"}, {"TISDate", "3/7/2008"}, {"DORDate", "unknown"}});
    const qint64 carter = roster.insert({{"Name", "CARTER, AL"}, {"Rank", "Sgt"}});
};

// A roster of ADAMS (with the given PEBD) and BAKER, the text typed into a
// cell of ADAMS's row.
struct TypedCell {
    TypedCell(int column, const QString& text, const QVariant& pebd = {})
        : key(file.insert({{"Name", "ADAMS"}, {"TISDate", pebd}}))
    {
        typeIntoCell(ui, 0, column, text);
    }
    RosterFile file;
    const qint64 key;
    const qint64 other = file.insert({{"Name", "BAKER"}});
    FormUnderTest ui{file};
};

TEST_F(RosterGridTest, ShowsTheRosterByNameWithDatesInShortForm)
{
    FormUnderTest ui(roster);
    QAbstractItemModel* model = ui.form->grid()->model();
    ASSERT_EQ(model->rowCount(), 4); // three records and the new-record row
    QStringList headings;
    for (int c = 0; c < model->columnCount(); ++c)
        headings << model->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(headings, QStringList({"Name", "Rank", "PEBD", "DOR"}));
    const QStringList rows[] = {
        {"ADAMS, JOHN", "SGT", "5/1/2010", "2/1/2019 8:30:00 AM"},
        {"BAKER, MARY", "SSG", "3/7/2008", "unknown"},
        {"CARTER, AL", "Sgt", "", ""},
        {"", "", "", ""},
    };
    for (int r = 0; r < 4; ++r) {
        QStringList shown;
        for (int c = 0; c < 4; ++c)
            shown << ui.cell(r, c);
        EXPECT_EQ(shown, rows[r]) << "row " << r;
    }
    // Record selectors: the current record, and the new-record row.
    EXPECT_FALSE(model->headerData(0, Qt::Vertical).toString().isEmpty());
    EXPECT_EQ(model->headerData(1, Qt::Vertical).toString(), "");
    EXPECT_EQ(model->headerData(3, Qt::Vertical).toString(), "*");
    // Column widths in twips.
    const int widths[] = {2220, 870, 1110, 1155};
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(ui.form->grid()->columnWidth(c), px(*ui.form->grid(), widths[c]));
    EXPECT_FALSE(ui.form->grid()->horizontalHeader()->sectionsMovable());
}

TEST_F(RosterGridTest, CellsRefuseTextPastTheirLongestEntry)
{
    const struct {
        int column;
        QString typed;
        QString shown;
        const char* field;
    } cases[] = {
        {RosterGridModel::NameColumn, QString(26, u'N'), QString(25, u'N'), "Name"},
        {RosterGridModel::RankColumn, "SGTX", "SGT", "Rank"},
        {RosterGridModel::RankColumn, "xyz", "xyz", "Rank"},
        {RosterGridModel::PebdColumn, "2011-04-03 10:20:30X", "4/3/2011 10:20:30 AM", "TISDate"},
        {RosterGridModel::DorColumn, "4/3/2011 1:20:30 PMX", "4/3/2011 1:20:30 PM", "DORDate"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        TypedCell typed(c.column, c.typed);
        EXPECT_EQ(typed.ui.cell(0, c.column), c.shown);
        EXPECT_EQ(typed.ui.boxes.lines(), QStringList());
        typed.ui.clickRow(1); // leaving the record stores it
        EXPECT_EQ(typed.ui.cell(0, c.column), c.shown);
        EXPECT_FALSE(typed.file.stored(typed.key, c.field).isNull());
    }
}

TEST_F(RosterGridTest, DateCellsStoreDatesAndRefuseOtherText)
{
    const struct {
        QString typed;
        bool refused;
        QVariant stored; // in the file after leaving the row
    } cases[] = {
        {"3/15/2004", false, "2004-03-15"},
        {"2004-03-15", false, "2004-03-15"},
        {"12/1/1999 7:05", false, "1999-12-01 07:05:00"},
        {"3-15-04 1:30 PM", false, "2004-03-15 13:30:00"},
        {"15-Mar-2004", false, "2004-03-15"},
        {"", false, QVariant()},
        {"2/30/2021", true, "2010-05-01"},
        {"soon", true, "2010-05-01"},
        {"15/3/2004", true, "2010-05-01"},
        {"13:30", true, "2010-05-01"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        TypedCell typed(RosterGridModel::PebdColumn, c.typed, "2010-05-01");
        if (c.refused) {
            // A failure like any other, and the typed text back in the cell
            // to be corrected; Escape drops it.
            ASSERT_EQ(typed.ui.boxes.lines().size(), 1);
            EXPECT_TRUE(typed.ui.boxes.lines()[0].startsWith("Varnel | 3421: Data type conversion error. \"" + c.typed + "\" is not a date."))
                << typed.ui.boxes.lines()[0].toStdString();
            EXPECT_EQ(typed.ui.boxes.shown[0].icon, QMessageBox::Critical);
            auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
            ASSERT_NE(editor, nullptr);
            EXPECT_EQ(editor->text(), c.typed);
            EXPECT_FALSE(typed.ui.form->binding().hasPending());
            QTest::keyClick(editor, Qt::Key_Escape);
            EXPECT_EQ(typed.ui.cell(0, RosterGridModel::PebdColumn), "5/1/2010");
        } else {
            EXPECT_EQ(typed.ui.boxes.lines(), QStringList());
        }
        typed.ui.clickRow(1);
        EXPECT_EQ(storedText(typed.file.stored(typed.key, "TISDate")), storedText(c.stored));
    }
}

TEST_F(RosterGridTest, RankCellOffersTheTwelveCodesTenAtATime)
{
    FormUnderTest ui(roster);
    RosterGrid* grid = ui.form->grid();
    const QModelIndex rank = grid->model()->index(1, RosterGridModel::RankColumn);
    ui.clickRow(1);
    grid->setCurrentIndex(rank);
    grid->edit(rank);
    auto* combo = grid->findChild<QComboBox*>("RankEditor");
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(itemsOf(*combo),
              QStringList({"PV1", "PV2", "PFC", "SPC", "CPL", "SGT", "SSG", "SFC", "MSG", "1SG", "CSM", "CSA"}));
    EXPECT_EQ(combo->maxVisibleItems(), 10);
    EXPECT_EQ(combo->currentText(), "SSG");
    // Choosing a code stores that code.
    combo->setCurrentIndex(9);
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    ui.clickRow(0);
    EXPECT_EQ(roster.stored(baker, "Rank"), "1SG");
}

TEST_F(RosterGridTest, RecordsAreAddedThroughTheNewRecordRow)
{
    FormUnderTest ui(roster);
    QAbstractItemModelTester tester(ui.form->grid()->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    typeIntoCell(ui, 3, RosterGridModel::NameColumn, "ZULU, NEW");
    // Pending until the row is left; the details show the new record.
    EXPECT_EQ(roster.count(), 3);
    EXPECT_EQ(ui.cell(3, 0), "ZULU, NEW");
    typeIntoCell(ui, 3, RosterGridModel::RankColumn, "PFC", false);
    ui.clickRow(1);
    ASSERT_EQ(roster.count(), 4);
    EXPECT_EQ(roster.recordNamed("ZULU, NEW").value("Rank"), "PFC");
    EXPECT_EQ(ui.form->grid()->model()->rowCount(), 5);
    EXPECT_EQ(ui.cell(3, 0), "ZULU, NEW");
    EXPECT_EQ(ui.cell(4, 0), "");
    EXPECT_EQ(ui.position(), 1);
    EXPECT_EQ(ui.boxes.lines(), QStringList());

    // Visiting the new-record row without typing adds nothing.
    ui.clickRow(4);
    ui.clickRow(0);
    EXPECT_EQ(roster.count(), 4);
    EXPECT_EQ(ui.form->grid()->model()->rowCount(), 5);
}

TEST_F(RosterGridTest, ButtonsWorkOnARecordTypedIntoTheNewRecordRow)
{
    FormUnderTest ui(roster);
    typeIntoCell(ui, 3, RosterGridModel::NameColumn, "YOUNG, PAT");
    ui.click("Command3"); // Update stores the new record and keeps it current
    ASSERT_EQ(roster.count(), 4);
    EXPECT_FALSE(roster.recordNamed("YOUNG, PAT").isEmpty());
    EXPECT_EQ(ui.position(), 3);
    EXPECT_EQ(ui.boxes.lines(), QStringList());

    // A cell still being edited counts too: Alt+U stores what it shows.
    RosterGrid* grid = ui.form->grid();
    const QModelIndex rank = grid->model()->index(3, RosterGridModel::RankColumn);
    grid->setCurrentIndex(rank);
    grid->edit(rank);
    QTest::keyClicks(QApplication::focusWidget(), "CPL");
    ui.pressAccessKey(Qt::Key_U);
    EXPECT_EQ(roster.recordNamed("YOUNG, PAT").value("Rank"), "CPL");
}

TEST_F(RosterGridTest, DeleteKeyRemovesTheRowsSelectedByTheirRecordSelectors)
{
    FormUnderTest ui(roster);
    QAbstractItemModelTester tester(ui.form->grid()->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    RosterGrid* grid = ui.form->grid();
    QHeaderView* selectors = grid->verticalHeader();
    auto clickSelector = [&](int row, Qt::KeyboardModifiers modifiers) {
        QTest::mouseClick(selectors->viewport(), Qt::LeftButton, modifiers,
                          QPoint(selectors->width() / 2, selectors->sectionViewportPosition(row) + selectors->sectionSize(row) / 2));
    };
    // A cell alone is no row selection: Delete does nothing.
    ui.clickRow(0);
    QTest::keyClick(grid, Qt::Key_Delete);
    EXPECT_EQ(roster.count(), 3);

    clickSelector(0, Qt::NoModifier);
    clickSelector(1, Qt::ControlModifier);
    QTest::keyClick(grid, Qt::Key_Delete);
    ASSERT_EQ(roster.count(), 1);
    EXPECT_FALSE(roster.record(carter).isEmpty());
    EXPECT_EQ(grid->model()->rowCount(), 2);
    EXPECT_EQ(ui.cell(0, 0), "CARTER, AL");
    // The record after the deleted ones is current.
    EXPECT_EQ(ui.position(), 0);
    EXPECT_TRUE(ui.form->binding().recordset().hasCurrent());
    EXPECT_EQ(ui.boxes.lines(), QStringList());
}

TEST_F(RosterGridTest, ArrowKeysWrapFromRowToRow)
{
    FormUnderTest ui(roster);
    RosterGrid* grid = ui.form->grid();
    grid->setFocus();
    ui.clickRow(0);
    grid->setCurrentIndex(grid->model()->index(0, 3));
    QTest::keyClick(grid, Qt::Key_Right);
    EXPECT_EQ(grid->currentIndex(), grid->model()->index(1, 0));
    EXPECT_EQ(ui.position(), 1);
    QTest::keyClick(grid, Qt::Key_Left);
    EXPECT_EQ(grid->currentIndex(), grid->model()->index(0, 3));
    EXPECT_EQ(ui.position(), 0);
}

TEST_F(RosterGridTest, ModelStaysConsistentThroughEveryCommand)
{
    FormUnderTest ui(roster);
    QAbstractItemModelTester tester(ui.form->grid()->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    const struct {
        const char* button;
        int rows; // grid rows afterwards, the new-record row included
        int current;
    } steps[] = {
        {"Command1", 5, 3}, // Add: an empty record at the end, current
        {"Command1", 6, 4},
        {"Command4", 6, 1}, // Sort: the empty records by name come first; the current one stays so
        {"Command2", 5, 1}, // Delete: the next record moves up
        {"Command3", 5, 1},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.button);
        ui.click(step.button);
        EXPECT_EQ(ui.form->grid()->model()->rowCount(), step.rows);
        EXPECT_EQ(ui.position(), step.current);
        EXPECT_EQ(ui.form->grid()->currentIndex().row(), step.current);
    }
    EXPECT_EQ(ui.boxes.lines(), QStringList());
}

} // namespace
} // namespace varnel::ui::test
