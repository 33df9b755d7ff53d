#include "ui_fixture.h"

#include "ui/long_value.h"
#include "ui/roster_grid.h"
#include "ui/roster_grid_model.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolTip>

namespace varnel::ui::test {
namespace {

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

// The text typed into a cell of ADAMS's row (with the given PEBD), BAKER below.
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
    EXPECT_EQ(model->headerData(1, Qt::Vertical).toString(), "");
    EXPECT_EQ(model->headerData(3, Qt::Vertical).toString(), "*");
}

TEST_F(RosterGridTest, CellsStoreWhatTheyTakeAndRefuseWhatIsNoDate)
{
    const struct {
        int column;
        QString typed;
        QString shown; // after leaving the row
        const char* field;
        QVariant stored;
        bool refused = false;
    } cases[] = {
        {RosterGridModel::NameColumn, QString(26, u'N'), QString(25, u'N'), "Name", QString(25, u'N')},
        {RosterGridModel::RankColumn, "SGTX", "SGT", "Rank", "SGT"},
        {RosterGridModel::RankColumn, "xyz", "xyz", "Rank", "xyz"},
        {RosterGridModel::PebdColumn, "2011-04-03 10:20:30X", "4/3/2011 10:20:30 AM", "TISDate", "2011-04-03 10:20:30"},
        {RosterGridModel::DorColumn, "4/3/2011 1:20:30 PMX", "4/3/2011 1:20:30 PM", "DORDate", "2011-04-03 13:20:30"},
        {RosterGridModel::PebdColumn, "3/15/2004", "3/15/2004", "TISDate", "2004-03-15"},
        {RosterGridModel::PebdColumn, "", "", "TISDate", QVariant()},
        {RosterGridModel::PebdColumn, "2/30/2021", "5/1/2010", "TISDate", "2010-05-01", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        TypedCell typed(c.column, c.typed, "2010-05-01");
        if (c.refused) {
            (void)QTest::qWaitFor([&] { return !typed.ui.boxes.lines().isEmpty(); }, 2000); // slower on a busy machine
            ASSERT_EQ(typed.ui.boxes.lines().size(), 1);
            EXPECT_TRUE(typed.ui.boxes.lines()[0].startsWith("Varnel | 3421: Data type conversion error. \"" + c.typed + "\" is not a date."))
                << typed.ui.boxes.lines()[0].toStdString();
            auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
            ASSERT_NE(editor, nullptr);
            EXPECT_EQ(editor->text(), c.typed);
            EXPECT_FALSE(typed.ui.form->binding().hasPending());
            QTest::keyClick(editor, Qt::Key_Escape);
        } else {
            EXPECT_EQ(typed.ui.boxes.lines(), QStringList());
        }
        typed.ui.clickRow(1); // leaving the record stores it
        EXPECT_EQ(typed.ui.cell(0, c.column), c.shown);
        EXPECT_EQ(storedText(typed.file.stored(typed.key, c.field)), storedText(c.stored));
    }
}

TEST_F(RosterGridTest, RecordsAreAddedThroughTheNewRecordRow)
{
    FormUnderTest ui(roster);
    RosterGrid* grid = ui.form->grid();
    QAbstractItemModelTester tester(grid->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    typeIntoCell(ui, 3, RosterGridModel::NameColumn, "ZULU, NEW");
    EXPECT_EQ(roster.count(), 3);
    EXPECT_EQ(ui.cell(3, 0), "ZULU, NEW");
    typeIntoCell(ui, 3, RosterGridModel::RankColumn, "PFC", false);
    ui.clickRow(1);
    ASSERT_EQ(roster.count(), 4);
    EXPECT_EQ(roster.recordNamed("ZULU, NEW").value("Rank"), "PFC");
    EXPECT_EQ(grid->model()->rowCount(), 5);
    EXPECT_EQ(ui.cell(4, 0), "");
    EXPECT_EQ(ui.position(), 1);
    ui.clickRow(4);
    ui.clickRow(0);
    EXPECT_EQ(roster.count(), 4) << "a visit adds nothing";

    typeIntoCell(ui, 4, RosterGridModel::NameColumn, "YOUNG, PAT");
    ui.click("Command3"); // Update stores the new record and keeps it current
    ASSERT_EQ(roster.count(), 5);
    EXPECT_EQ(ui.position(), 4);
    const QModelIndex rank = grid->model()->index(4, RosterGridModel::RankColumn);
    grid->setCurrentIndex(rank);
    grid->edit(rank);
    QTest::keyClicks(QApplication::focusWidget(), "CPL");
    ui.pressAccessKey(Qt::Key_U); // stores what the open editor shows
    EXPECT_EQ(roster.recordNamed("YOUNG, PAT").value("Rank"), "CPL");
    EXPECT_EQ(ui.boxes.lines(), QStringList());
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
    ui.clickRow(0);
    QTest::keyClick(grid, Qt::Key_Delete);
    EXPECT_EQ(roster.count(), 3) << "a cell alone is no row selection";

    clickSelector(0, Qt::NoModifier);
    clickSelector(1, Qt::ControlModifier);
    QTest::keyClick(grid, Qt::Key_Delete);
    ASSERT_EQ(roster.count(), 1);
    EXPECT_FALSE(roster.record(carter).isEmpty());
    EXPECT_EQ(grid->model()->rowCount(), 2);
    EXPECT_EQ(ui.cell(0, 0), "CARTER, AL");
    EXPECT_EQ(ui.currentName(), "CARTER, AL") << "the record after the deleted ones is current";
    EXPECT_EQ(ui.boxes.lines(), QStringList());
}

const QChar kMark(0x2026);
constexpr qsizetype kMegabyte = 1024 * 1024;

QString filler(const QString& start, qsizetype length)
{
    QString text = start;
    while (text.size() < length)
        text += QStringLiteral(" and notes from another program, 1/2/2024");
    text.truncate(length);
    return text;
}

QString toolTipAt(QWidget* widget, QPoint pos)
{
    QToolTip::hideText();
    QHelpEvent help(QEvent::ToolTip, pos, widget->mapToGlobal(pos));
    QApplication::sendEvent(widget, &help);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

void expectShown(const QString& shown, const QString& value, bool whole)
{
    if (whole) {
        EXPECT_EQ(shown, value);
        return;
    }
    ASSERT_GE(shown.size(), 2);
    EXPECT_TRUE(shown.endsWith(kMark)) << shown.toStdString();
    EXPECT_TRUE(value.startsWith(shown.chopped(1))) << shown.toStdString();
    EXPECT_LE(shown.size(), 201);
}

TEST(LongValues, AreShownByTheirBeginningWithAMarkAndATooltip)
{
    RosterFile roster;
    roster.insert({{"Name", "ADAMS"}, {"PrefDates", "MAY"}});
    QMap<int, QStringList> values; // by row: Name, PrefDates, LastSchool, SSGTPoints, TotalDate
    for (const auto& [row, length] : {std::pair{1, 1000}, {2, 1001}}) {
        values[row] = {filler(row == 1 ? "BROWN, JO" : "CHEN, LI", length), filler("JAN-MAR 2027", length),
                       filler("WLC", length), filler("see notes", length), filler("1/5/2013", length)};
        roster.insert({{"Name", values[row][0]}, {"PrefDates", values[row][1]}, {"LastSchool", values[row][2]},
                       {"SSGTPoints", values[row][3]}, {"TotalDate", values[row][4]}});
    }
    FormUnderTest ui(roster);
    RosterGrid* grid = ui.form->grid();
    for (int row : {1, 2, 1}) {
        SCOPED_TRACE(row);
        const bool whole = row == 1;
        const QStringList& v = values[row];
        const QString count = QLocale().toString(qlonglong(v[0].size()));
        ui.clickRow(row);
        expectShown(ui.cell(row, RosterGridModel::NameColumn), v[0], whole);
        const QModelIndex name = grid->model()->index(row, RosterGridModel::NameColumn);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(name).center());
        EXPECT_EQ(grid->indexWidget(name) != nullptr, whole) << "an editor on a double click";
        if (grid->indexWidget(name))
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        const QString tip = toolTipAt(grid->viewport(), grid->visualRect(name).center());
        EXPECT_EQ(tip.contains(count), !whole) << tip.toStdString();
        const std::tuple<QLineEdit*, QString> entries[] = {{ui.find<QLineEdit>("PrefDates"), v[1]},
                                                           {ui.find<QComboBox>("LastSchool")->lineEdit(), v[2]},
                                                           {ui.find("CSSpin1")->findChild<QLineEdit*>(), v[3]}};
        for (const auto& [entry, value] : entries) {
            SCOPED_TRACE(value.left(12).toStdString());
            expectShown(entry->text(), value, whole);
            // The shown text fits the entry's width, so the mark is in view.
            EXPECT_TRUE(whole || entry->fontMetrics().horizontalAdvance(entry->text()) <= entry->contentsRect().width());
            EXPECT_EQ(entry->isReadOnly(), !whole);
            EXPECT_EQ(toolTipAt(entry, entry->rect().center()).contains(count), !whole);
        }
        auto* totalDate = ui.find<QLabel>("TotalDate");
        expectShown(totalDate->text(), v[4], whole);
        EXPECT_EQ(totalDate->toolTip().isEmpty(), whole);
        EXPECT_FALSE(ui.form->binding().hasPending()) << "showing is no change";
        EXPECT_EQ(grid->model()->headerData(row, Qt::Vertical).toString(), QStringLiteral("\u25B6")) << "no editing mark";
    }
    EXPECT_EQ(ui.boxes.lines(), QStringList());
}

TEST(LongValues, TheMarkNeverCutsACharacterInTwo)
{
    for (qsizetype at : {198, 199, 200}) { // a pair of UTF-16 units straddling the cut
        SCOPED_TRACE(at);
        const QString name = filler("CHEN, LI", at) + QString::fromUcs4(U"\U0001F600") + filler("", 2000);
        const QString shown = long_value::shown(name);
        EXPECT_EQ(QString::fromUtf8(shown.toUtf8()), shown) << "no lone half of a pair";
        EXPECT_TRUE(shown.endsWith(kMark));
        EXPECT_TRUE(name.startsWith(shown.chopped(1)));
    }
}

// A roster whose second record (BROWN) holds megabyte texts in Name,
// PrefDates and LastSchool, and a service history the Total command takes.
struct LongRecord {
    LongRecord()
    {
        roster.insert({{"Name", "ADAMS"}, {"PrefDates", "MAY"}});
        key = roster.insert({{"Name", name}, {"PrefDates", dates}, {"LastSchool", school}, {"Rank", "SGT"},
                             {"TISDate", "2005-06-01"}, {"DORDate", "2016-03-01"}, {"APFT", "B"}, {"Weapon", "E"},
                             {"SSGTPoints", 120}, {"1SGTPoints", 80}});
        roster.insert({{"Name", "CARTER"}, {"PrefDates", "JUN"}});
    }
    void expectKept() const
    {
        const QVariantMap stored = roster.record(key);
        for (const auto& [column, value] : {std::pair{"Name", name}, {"PrefDates", dates}, {"LastSchool", school}})
            EXPECT_TRUE(stored.value(column).toString() == value) << column << ", " << stored.value(column).toString().size();
    }
    const QString name = filler("BROWN, JO", kMegabyte);
    const QString dates = filler("JAN-MAR 2027", kMegabyte);
    const QString school = filler("WLC", kMegabyte + 7);
    RosterFile roster;
    qint64 key = 0;
};

void typeKeys(QWidget* target, const QString& text)
{
    target->setFocus();
    QTest::keyClick(target, Qt::Key_End);
    QTest::keyClicks(target, text);
    QTest::keyClick(target, Qt::Key_Backspace);
    QTest::keyClick(target, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(target, Qt::Key_Delete);
    QTest::keyClicks(target, "JUN 2025");
}

TEST(LongValues, CommandsMovesAndTypingKeepTheStoredValueByteForByte)
{
    const struct {
        const char* what;
        std::function<void(FormUnderTest&)> act;
        const char* column; // a column the command changes, or null
    } cases[] = {
        {"Total", [](FormUnderTest& ui) { ui.click("Command5"); }, "TOTAL"},
        {"Delete of the record above", [](FormUnderTest& ui) { ui.clickRow(0); ui.click("Command2"); }, nullptr},
        {"typing into Request Dates", [](FormUnderTest& ui) { typeKeys(ui.find("PrefDates"), "X"); }, nullptr},
        {"typing into Last and picking from its list",
         [](FormUnderTest& ui) {
             auto* combo = ui.find<QComboBox>("LastSchool");
             typeKeys(combo->lineEdit(), "Ranger");
             QTest::keyClick(combo, Qt::Key_Down);
             QTest::keyClick(combo, Qt::Key_Down, Qt::AltModifier);
             QTest::keyClick(combo, Qt::Key_F4);
             QTest::mouseClick(combo, Qt::LeftButton, {}, QPoint(combo->width() - 4, combo->height() / 2));
         },
         nullptr},
        {"keys and clicks on the Name cell",
         [](FormUnderTest& ui) {
             RosterGrid* grid = ui.form->grid();
             const QPoint name = grid->visualRect(grid->model()->index(1, 0)).center();
             QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, name);
             QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, name); // a click on the current cell
             QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, name);
             QTest::keyClick(grid, Qt::Key_F2);
             QTest::keyClicks(grid, "Q");
             QTest::keyClick(grid, Qt::Key_Return);
             QTest::keyClicks(grid, "CA"); // CARTER's initials move to no other soldier
             EXPECT_EQ(ui.position(), 1);
         },
         nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LongRecord file;
        FormUnderTest ui(file.roster);
        ui.clickRow(1);
        const QString shownDates = ui.find<QLineEdit>("PrefDates")->text();
        c.act(ui);
        EXPECT_EQ(ui.boxes.lines(), QStringList());
        EXPECT_FALSE(ui.form->binding().hasPending()) << "nothing pending";
        ui.clickRow(0);
        ui.clickRow(1);
        ui.click("Command3");
        file.expectKept();
        if (c.column) {
            EXPECT_FALSE(file.roster.stored(file.key, c.column).isNull()) << "the command did its work";
        }
        if (QString(c.what).startsWith("typing")) {
            ui.clickRow(1);
            EXPECT_EQ(ui.find<QLineEdit>("PrefDates")->text(), shownDates);
        }
    }
}

} // namespace
} // namespace varnel::ui::test
