// The window as drawn: every control's kind, caption, place and size, the
// tab order, the menus, fonts and colours.
#include "ui_fixture.h"

#include "ui/roster_grid.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>

namespace varnel::ui::test {
namespace {

struct Drawn {
    const char* name;
    const char* kind;      // the class it is, or inherits
    const char* caption;   // nullptr: none to check
    const char* container; // the frame it stands in, or "" for the client area
    int left, top, width, height; // twips
};

// The window's drawing, control by control.
const Drawn kDrawing[] = {
    {"TDBGrid1", "QTableView", nullptr, "", 240, 120, 6015, 3015},
    {"Frame3", "QGroupBox", "NCOES Course", "", 360, 6240, 5775, 1335},
    {"CSOptList1", "QGroupBox", "APFT Score", "", 360, 3360, 1455, 2775},
    {"CSOptList2", "QGroupBox", "Weapons Qualification", "", 2040, 4920, 2535, 1215},
    {"Command5", "QPushButton", "&Total", "", 4800, 5040, 1095, 375},
    {"Command1", "QPushButton", "&Add", "", 480, 7920, 1095, 375},
    {"Command2", "QPushButton", "&Delete", "", 1920, 7920, 1095, 375},
    {"Command3", "QPushButton", "&Update", "", 3360, 7920, 1095, 375},
    {"Command4", "QPushButton", "&Sort", "", 4800, 7920, 1095, 375},
    {"Frame2", "QGroupBox", "Evaluations", "", 2040, 3360, 1695, 1455},
    {"Frame1", "QGroupBox", "Awards", "", 3960, 3360, 2175, 1455},
    {"Label4", "QLabel", nullptr, "", 5040, 5880, 615, 255},
    {"TotalDate", "QLabel", nullptr, "", 4800, 5640, 1215, 255},
    {"CSSpin1", "QAbstractSpinBox", nullptr, "Frame2", 600, 240, 975, 495},
    {"CSSpin2", "QAbstractSpinBox", nullptr, "Frame2", 600, 840, 975, 495},
    {"Label2", "QLabel", "SGT", "Frame2", 120, 360, 495, 255},
    {"Label3", "QLabel", "1SG", "Frame2", 120, 960, 495, 255},
    {"Check1", "QCheckBox", "", "Frame1", 480, 240, 255, 375},
    {"Check5", "QCheckBox", "MSM", "Frame1", 720, 240, 1095, 375},
    {"Check2", "QCheckBox", "", "Frame1", 240, 600, 255, 255},
    {"Check7", "QCheckBox", "", "Frame1", 480, 600, 255, 255},
    {"Check8", "QCheckBox", "ARCOM", "Frame1", 720, 600, 1215, 255},
    {"Check3", "QCheckBox", "", "Frame1", 240, 840, 255, 255},
    {"Check9", "QCheckBox", "", "Frame1", 480, 840, 255, 255},
    {"Check10", "QCheckBox", "AAM", "Frame1", 720, 840, 735, 255},
    {"Check4", "QCheckBox", "", "Frame1", 240, 1080, 255, 255},
    {"Check6", "QCheckBox", "", "Frame1", 480, 1080, 255, 255},
    {"Check11", "QCheckBox", "LTR/COM", "Frame1", 720, 1080, 1215, 255},
    {"LastSchool", "QComboBox", nullptr, "Frame3", 720, 360, 1935, 315},
    {"NextSchool", "QComboBox", nullptr, "Frame3", 3600, 360, 1935, 315},
    {"PrefDates", "QLineEdit", nullptr, "Frame3", 1560, 840, 3975, 255},
    {"Label1", "QLabel", "Last:", "Frame3", 120, 360, 495, 255},
    {"Label5", "QLabel", "Next:", "Frame3", 2880, 360, 495, 255},
    {"Label6", "QLabel", "Request Dates:", "Frame3", 120, 840, 1695, 255},
};

// The order in which Tab moves the focus (frames and labels take none).
const QStringList kTabOrder = {
    "TDBGrid1", "CSOptList1", "CSSpin1", "CSSpin2", "Check1", "Check5", "Check2", "Check7", "Check8", "Check3",
    "Check9", "Check10", "Check4", "Check6", "Check11", "CSOptList2", "Command5", "LastSchool", "NextSchool",
    "PrefDates", "Command1", "Command2", "Command3", "Command4",
};

QString captionOf(const QWidget* widget)
{
    if (auto* box = qobject_cast<const QGroupBox*>(widget))
        return box->title();
    if (auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->text();
    if (auto* label = qobject_cast<const QLabel*>(widget))
        return label->text();
    return {};
}

TEST(MainFormLayout, EveryControlStandsWhereItIsDrawnInAWindowOfFixedSize)
{
    RosterFile roster;
    FormUnderTest ui(roster);
    auto* client = ui.find("MainFormClient");
    ASSERT_NE(client, nullptr);
    EXPECT_EQ(client->size(), QSize(px(*client, 6480), px(*client, 8520)));
    EXPECT_EQ(ui.form->windowTitle(), "Varnel");
    EXPECT_EQ(ui.form->objectName(), "MainForm");
    EXPECT_FALSE(ui.form->windowIcon().isNull());
    const QSize before = ui.form->size();
    ui.form->resize(before.width() + 200, before.height() + 200);
    QTest::qWait(10);
    EXPECT_EQ(ui.form->size(), before);

    for (const Drawn& drawn : kDrawing) {
        SCOPED_TRACE(drawn.name);
        auto* widget = ui.find(drawn.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_TRUE(widget->inherits(drawn.kind));
        EXPECT_EQ(widget->parentWidget()->objectName(), *drawn.container ? drawn.container : client->objectName());
        EXPECT_EQ(widget->geometry(),
                  QRect(px(*widget, drawn.left), px(*widget, drawn.top), px(*widget, drawn.width), px(*widget, drawn.height)));
        if (drawn.caption) {
            EXPECT_EQ(captionOf(widget), drawn.caption);
        }
        EXPECT_FALSE(widget->accessibleName().isEmpty());
        EXPECT_TRUE(widget->isVisible());
        if (widget == ui.form->grid())
            continue;
        // The window's font and its window colour on every control.
        EXPECT_TRUE(widget->font().bold());
        EXPECT_DOUBLE_EQ(widget->font().pointSizeF(), 8.25);
        EXPECT_EQ(widget->palette().color(QPalette::Window), QApplication::palette().color(QPalette::Base));
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            EXPECT_FALSE(button->autoDefault() || button->isDefault());
            EXPECT_EQ(button->palette().color(QPalette::Button), QApplication::palette().color(QPalette::Base));
        }
    }
    // The option lists offer their items in order.
    const std::pair<const char*, QStringList> lists[] = {
        {"CSOptList1", {"300+", "290-299", "280-289", "270-279", "260-269", "250-259", "240-249", "220-239", "200-219", "180-199"}},
        {"CSOptList2", {"Expert", "Sharpshooter", "Marksman"}},
    };
    for (const auto& [name, items] : lists) {
        QStringList texts;
        for (QRadioButton* button : ui.find(name)->findChildren<QRadioButton*>())
            texts.append(button->text());
        EXPECT_EQ(texts, items) << name;
    }
}

TEST(MainFormLayout, TabMovesThroughTheControlsInTheirOrder)
{
    RosterFile roster;
    roster.insertNames({"ADAMS, JOHN", "BAKER, MARY"});
    FormUnderTest ui(roster);
    RosterGrid* grid = ui.form->grid();
    // From the grid's last column, Tab leaves the grid.
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(0, 3));
    auto namedControl = [](QWidget* widget) {
        while (widget && !kTabOrder.contains(widget->objectName()))
            widget = widget->parentWidget();
        return widget ? widget->objectName() : QString();
    };
    QStringList visited{namedControl(QApplication::focusWidget())};
    for (qsizetype step = 0; step < kTabOrder.size(); ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.append(namedControl(QApplication::focusWidget()));
    }
    EXPECT_EQ(visited, kTabOrder + QStringList{kTabOrder.first()}); // and round to the grid again
}

TEST(MainFormLayout, MenusMatchTheirTableAndHaveNoShortcuts)
{
    RosterFile roster;
    FormUnderTest ui(roster);
    // Each item as "name|caption|menu it stands in"; "-" for a separator.
    // The program's own items stand between Create Report and the separator.
    const QStringList items = {
        "MNU_FILE|&File|", "MNU_CREATE|&Create Report|MNU_FILE", "MNU_MERIT|&Merit List...|MNU_CREATE",
        "MNU_WORKSHEETS|&Worksheets...|MNU_CREATE", "MNU_NCOES|&NCOES Course...|MNU_CREATE",
        "MNU_THISWORKSHEET|Worksheet for &This Soldier...|MNU_CREATE", "MNU_TOTALALL|Total &All Soldiers...|MNU_FILE",
        "MNU_FIND|&Find Soldier...|MNU_FILE", "MNU_EXPORT|E&xport...|MNU_FILE", "MNU_SEPER3|-|MNU_FILE",
        "MNU_EXIT|&Exit|MNU_FILE", "MNU_HELP|&Help|", "MNU_CONTENTS|&Contents|MNU_HELP", "MNU_SEPER4|-|MNU_HELP",
        "MNU_ABOUT|&About...|MNU_HELP",
    };
    const QHash<QString, QKeySequence> shortcuts = {{"MNU_FIND", QKeySequence::Find}};
    // Read the menus as the user sees them: each menu's actions in order.
    QStringList seen;
    std::function<void(const QList<QAction*>&, const QString&)> walk = [&](const QList<QAction*>& actions, const QString& under) {
        QSet<QChar> accessKeys;
        for (QAction* action : actions) {
            EXPECT_EQ(action->shortcut(), shortcuts.value(action->objectName())) << action->objectName().toStdString();
            seen << action->objectName() + "|" + (action->isSeparator() ? "-" : action->text()) + "|" + under;
            if (const qsizetype amp = action->text().indexOf(u'&'); amp >= 0) {
                const QChar key = action->text().at(amp + 1).toLower();
                EXPECT_FALSE(accessKeys.contains(key)) << "access key " << QString(key).toStdString() << " twice in " << under.toStdString();
                accessKeys.insert(key);
            }
            if (action->menu())
                walk(action->menu()->actions(), action->objectName());
        }
    };
    walk(ui.form->menuBar()->actions(), QString());
    EXPECT_EQ(seen, items);
}

} // namespace
} // namespace varnel::ui::test
