// Values far longer than a clerk types, as another program may store them:
// the grid and the detail controls show their beginning with a mark and a
// tooltip, take no edit, and every command and move leaves them exactly as
// stored.
#include "ui_fixture.h"

#include "ui/roster_grid.h"
#include "ui/roster_grid_model.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolTip>

namespace varnel::ui::test {
namespace {

const QChar kMark(0x2026);
constexpr qsizetype kMegabyte = 1024 * 1024;

// `length` characters of words and spaces after `start`.
QString filler(const QString& start, qsizetype length)
{
    const QString words = QStringLiteral(" and notes from another program, 1/2/2024");
    QString text = start;
    while (text.size() < length)
        text += words;
    text.truncate(length);
    return text;
}

// The tooltip that appears when the pointer rests on `widget` at `pos`.
QString toolTipAt(QWidget* widget, QPoint pos)
{
    QToolTip::hideText();
    QHelpEvent help(QEvent::ToolTip, pos, widget->mapToGlobal(pos));
    QApplication::sendEvent(widget, &help);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

QString cellToolTip(const FormUnderTest& ui, int row, int column)
{
    RosterGrid* grid = ui.form->grid();
    return toolTipAt(grid->viewport(), grid->visualRect(grid->model()->index(row, column)).center());
}

// Whether a double click on the cell opens an editor.
bool cellTakesEntry(const FormUnderTest& ui, int row, int column)
{
    RosterGrid* grid = ui.form->grid();
    const QModelIndex index = grid->model()->index(row, column);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
    QWidget* editor = grid->indexWidget(index);
    if (editor)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    return editor != nullptr;
}

// The record selector of the current record: the editing mark once
// anything is pending.
QString selector(const FormUnderTest& ui, int row)
{
    return ui.form->grid()->model()->headerData(row, Qt::Vertical).toString();
}

// Expectations on what a control or cell shows for `value`: the whole
// value, or its beginning and the mark.
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

// The shown text fits the entry's width, so the mark is in view.
void expectFits(const QLineEdit* edit)
{
    EXPECT_LE(edit->fontMetrics().horizontalAdvance(edit->text()), edit->contentsRect().width()) << edit->text().toStdString();
}

TEST(LongValues, AreShownByTheirBeginningWithAMarkAndATooltip)
{
    const struct {
        qsizetype length;
        bool whole; // shown and edited whole
    } cases[] = {{25, true}, {1000, true}, {1001, false}, {40000, false}, {kMegabyte, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        const QString name = filler("BROWN, JO", c.length);
        const QString dates = filler("JAN-MAR 2027", c.length);
        const QString school = filler("WLC", c.length);
        const QString points = filler("see notes", c.length);
        const QString stamp = filler("1/5/2013", c.length);
        RosterFile roster;
        roster.insert({{"Name", "ADAMS"}, {"PrefDates", "MAY"}});
        roster.insert({{"Name", name}, {"PrefDates", dates}, {"LastSchool", school}, {"SSGTPoints", points},
                       {"TotalDate", stamp}});
        FormUnderTest ui(roster);
        ui.clickRow(1);

        // The grid.
        expectShown(ui.cell(1, RosterGridModel::NameColumn), name, c.whole);
        EXPECT_EQ(cellTakesEntry(ui, 1, RosterGridModel::NameColumn), c.whole);
        const QString tip = cellToolTip(ui, 1, RosterGridModel::NameColumn);
        EXPECT_EQ(tip.contains(QLocale().toString(qlonglong(c.length))), !c.whole) << tip.toStdString();

        // Request dates, the last school and the SGT points.
        auto* prefDates = ui.find<QLineEdit>("PrefDates");
        auto* lastSchool = ui.find<QComboBox>("LastSchool");
        auto* sergeant = ui.find<QAbstractSpinBox>("CSSpin1");
        QLineEdit* sergeantEntry = sergeant->findChild<QLineEdit*>();
        const std::tuple<QWidget*, QLineEdit*, QString> entries[] = {
            {prefDates, prefDates, dates}, {lastSchool, lastSchool->lineEdit(), school}, {sergeant, sergeantEntry, points}};
        for (const auto& [control, entry, value] : entries) {
            SCOPED_TRACE(control->objectName().toStdString());
            expectShown(entry->text(), value, c.whole);
            if (!c.whole)
                expectFits(entry);
            EXPECT_EQ(entry->isReadOnly(), !c.whole);
            EXPECT_EQ(toolTipAt(entry, entry->rect().center()).contains(QLocale().toString(qlonglong(c.length))), !c.whole);
        }
        auto* totalDate = ui.find<QLabel>("TotalDate");
        expectShown(totalDate->text(), stamp, c.whole);
        EXPECT_EQ(totalDate->toolTip().isEmpty(), c.whole);

        // Showing is no change.
        EXPECT_FALSE(ui.form->binding().hasPending());
        EXPECT_EQ(selector(ui, 1), QStringLiteral("\u25B6"));
        EXPECT_EQ(ui.boxes.lines(), QStringList());
    }
}

TEST(LongValues, TheMarkNeverCutsACharacterInTwo)
{
    // A character outside the Basic Multilingual Plane (two UTF-16 units)
    // straddles the place where the beginning is cut.
    for (qsizetype at : {198, 199, 200}) {
        SCOPED_TRACE(at);
        QString name = filler("CHEN, LI", at) + QString::fromUcs4(U"\U0001F600") + filler("", kMegabyte);
        RosterFile roster;
        roster.insert({{"Name", name}});
        FormUnderTest ui(roster);
        const QString shown = ui.cell(0, RosterGridModel::NameColumn);
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
    // The three long values as the file holds them now.
    void expectKept() const
    {
        const QVariantMap stored = roster.record(key);
        EXPECT_TRUE(stored.value("Name").toString() == name) << "Name, " << stored.value("Name").toString().size() << " characters";
        EXPECT_TRUE(stored.value("PrefDates").toString() == dates) << "PrefDates, " << stored.value("PrefDates").toString().size();
        EXPECT_TRUE(stored.value("LastSchool").toString() == school) << "LastSchool, " << stored.value("LastSchool").toString().size();
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

TEST(LongValues, TypingOnACellThatTakesNoEntryMovesToNoOtherSoldier)
{
    LongRecord file;
    FormUnderTest ui(file.roster);
    ui.clickRow(1);
    QTest::keyClicks(ui.form->grid(), "CA"); // CARTER's initials
    EXPECT_EQ(ui.position(), 1);
    EXPECT_FALSE(ui.form->binding().hasPending());
    EXPECT_EQ(file.roster.stored(file.key + 1, "Name"), "CARTER");
}

TEST(LongValues, CommandsMovesAndTypingKeepTheStoredValueByteForByte)
{
    const struct {
        const char* what;
        std::function<void(FormUnderTest&)> act;
        const char* column; // a column the command changes, or null
    } cases[] = {
        {"Update", [](FormUnderTest& ui) { ui.click("Command3"); }, nullptr},
        {"Total", [](FormUnderTest& ui) { ui.click("Command5"); }, "TOTAL"},
        {"moving away and back", [](FormUnderTest& ui) { ui.clickRow(2); ui.clickRow(1); ui.clickRow(0); }, nullptr},
        {"Add", [](FormUnderTest& ui) { ui.click("Command1"); }, nullptr},
        {"Sort", [](FormUnderTest& ui) { ui.click("Command4"); }, nullptr},
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
        // Whatever is current now, leaving it and storing stores nothing of
        // the long record.
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

TEST(LongValues, ControlsTakeEntriesAgainOnAnOrdinaryRecord)
{
    LongRecord file;
    FormUnderTest ui(file.roster);
    auto* prefDates = ui.find<QLineEdit>("PrefDates");
    auto* lastSchool = ui.find<QComboBox>("LastSchool");
    for (int row : {1, 2, 1, 0}) {
        ui.clickRow(row);
        const bool isLong = row == 1;
        EXPECT_EQ(prefDates->isReadOnly(), isLong) << row;
        EXPECT_EQ(lastSchool->lineEdit()->isReadOnly(), isLong) << row;
        EXPECT_EQ(prefDates->toolTip().isEmpty(), !isLong) << row;
        EXPECT_EQ(lastSchool->toolTip().isEmpty(), !isLong) << row;
        EXPECT_EQ(cellTakesEntry(ui, row, RosterGridModel::NameColumn), !isLong) << row;
    }
    // ADAMS, current now, takes what is typed as it always did.
    prefDates->selectAll();
    prefDates->setFocus();
    QTest::keyClicks(prefDates, "JUL 2026");
    lastSchool->setCurrentIndex(1);
    ui.click("Command3");
    EXPECT_EQ(file.roster.recordNamed("ADAMS").value("PrefDates"), "JUL 2026");
    EXPECT_EQ(file.roster.recordNamed("ADAMS").value("LastSchool"), "WLC");
    file.expectKept();
    EXPECT_EQ(ui.boxes.lines(), QStringList());
}

} // namespace
} // namespace varnel::ui::test
