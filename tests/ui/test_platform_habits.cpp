// Habits of the platform clerks know, kept by the window: Tab reaches an
// option list at its marked item, the record selectors keep their width, and
// Ctrl+Home and Ctrl+End move the highlight with the current record.
#include "ui_fixture.h"

#include "ui/roster_grid.h"

#include <QAbstractSpinBox>
#include <QHeaderView>
#include <QWheelEvent>
#include <QRadioButton>
#include <QTest>

namespace varnel::ui::test {
namespace {

// Three notches of the mouse wheel turned away from the clerk, over `widget`.
void turnWheel(QWidget* widget)
{
    const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
    QWheelEvent wheel(at, widget->mapToGlobal(at), QPoint(), QPoint(0, -360), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &wheel);
}

TEST(PlatformHabits, TheWheelChangesAValueOnlyInTheControlThatHasTheFocus)
{
    RosterFile roster;
    roster.insert({{"Name", "ADAMS"}, {"APFT", "C"}, {"Weapon", "S"}, {"1SGTPoints", 25}, {"SSGTPoints", 10},
                   {"LastSchool", "WLC"}, {"NextSchool", "ALC"}});
    FormUnderTest ui(roster);
    ui.form->grid()->setFocus();
    const QStringList controls = {"CSSpin1", "CSSpin2", "LastSchool", "NextSchool", "CSOptList1_C", "CSOptList2_S",
                                  "CSOptList1", "CSOptList2"};
    for (const QString& name : controls) {
        SCOPED_TRACE(name.toStdString());
        QWidget* control = ui.find(name);
        ASSERT_NE(control, nullptr);
        turnWheel(control);
        EXPECT_FALSE(ui.form->binding().hasPending()) << "nothing changed under the wheel";
    }
    ui.clickRow(0); // a move stores what is pending: nothing
    const QVariantMap stored = roster.recordNamed("ADAMS");
    EXPECT_EQ(stored.value("1SGTPoints"), 25);
    EXPECT_EQ(stored.value("APFT"), "C");
    EXPECT_EQ(stored.value("LastSchool"), "WLC");

    // In the control the clerk is in, the wheel does what it always does.
    auto* spin = ui.find<QAbstractSpinBox>("CSSpin1");
    spin->setFocus();
    const QString before = spin->text();
    turnWheel(spin);
    EXPECT_NE(spin->text(), before);
    EXPECT_TRUE(ui.form->binding().hasPending());
}

TEST(PlatformHabits, TabReachesAnOptionListAtItsMarkedItem)
{
    RosterFile roster;
    roster.insert({{"Name", "ADAMS"}, {"APFT", "C"}, {"Weapon", "S"}});
    FormUnderTest ui(roster);
    const struct {
        const char* from;
        Qt::Key key;
        const char* lands; // the radio button
    } cases[] = {
        {"TDBGrid1", Qt::Key_Tab, "CSOptList1_C"},
        {"CSSpin1", Qt::Key_Backtab, "CSOptList1_C"},
        {"Check11", Qt::Key_Tab, "CSOptList2_S"},
        {"Command5", Qt::Key_Backtab, "CSOptList2_S"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.from);
        QWidget* from = ui.find(c.from);
        from->setFocus(Qt::OtherFocusReason);
        QWidget* focused = QApplication::focusWidget();
        if (qstrcmp(c.from, "TDBGrid1") == 0)
            ui.form->grid()->setCurrentIndex(ui.form->grid()->model()->index(0, 3)); // Tab leaves from the last cell
        QTest::keyClick(focused, c.key, c.key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), c.lands);
    }
}

TEST(PlatformHabits, RecordSelectorsKeepTheirWidthWithoutACurrentRecord)
{
    RosterFile roster;
    roster.insertNames({"ADAMS", "BAKER"});
    FormUnderTest ui(roster);
    QHeaderView* selectors = ui.form->grid()->verticalHeader();
    const int width = selectors->width();
    const int nameX = ui.form->grid()->columnViewportPosition(0) + ui.form->grid()->viewport()->x();
    ui.clickRow(1);
    ui.click("Command2"); // deletes the last: none is current
    ASSERT_EQ(ui.form->binding().recordset().hasCurrent(), false);
    QApplication::processEvents();
    EXPECT_EQ(selectors->width(), width);
    EXPECT_EQ(ui.form->grid()->columnViewportPosition(0) + ui.form->grid()->viewport()->x(), nameX) << "the columns stay put";
}

TEST(PlatformHabits, CtrlHomeAndCtrlEndMoveTheHighlightWithTheRecord)
{
    RosterFile roster;
    roster.insertNames({"ADAMS", "BAKER", "CARTER", "DAVIS"});
    FormUnderTest ui(roster);
    RosterGrid* grid = ui.form->grid();
    ui.clickRow(1);
    // Ctrl+End goes to the last record, not to the row for a new one.
    const struct {
        Qt::Key key;
        int row;
    } moves[] = {{Qt::Key_End, 3}, {Qt::Key_Home, 0}};
    for (const auto& m : moves) {
        QTest::keyClick(grid, m.key, Qt::ControlModifier);
        EXPECT_EQ(ui.position(), m.row);
        QList<int> highlighted;
        for (const QModelIndex& index : grid->selectionModel()->selectedIndexes())
            if (!highlighted.contains(index.row()))
                highlighted << index.row();
        EXPECT_EQ(highlighted, QList<int>{m.row}) << "the highlight is on the current record";
    }
}

} // namespace
} // namespace varnel::ui::test
