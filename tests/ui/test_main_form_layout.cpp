// The window as drawn: every control's kind, caption, place and size, the
// tab order, the menus, fonts and colours.
#include "ui_fixture.h"

#include "ui/roster_grid.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace varnel::ui::test {
namespace {

enum class Kind { Grid, Frame, OptionList, Button, SpinBox, Label, CheckBox, ComboBox, LineEdit };

struct Drawn {
    const char* name;
    Kind kind;
    const char* caption; // nullptr: none to check
    const char* container; // the frame it stands in, or "" for the client area
    int left, top, width, height; // twips
};

// The window's drawing, control by control.
const Drawn kDrawing[] = {
    {"TDBGrid1", Kind::Grid, nullptr, "", 240, 120, 6015, 3015},
    {"Frame3", Kind::Frame, "NCOES Course", "", 360, 6240, 5775, 1335},
    {"CSOptList1", Kind::OptionList, "APFT Score", "", 360, 3360, 1455, 2775},
    {"CSOptList2", Kind::OptionList, "Weapons Qualification", "", 2040, 4920, 2535, 1215},
    {"Command5", Kind::Button, "&Total", "", 4800, 5040, 1095, 375},
    {"Command1", Kind::Button, "&Add", "", 480, 7920, 1095, 375},
    {"Command2", Kind::Button, "&Delete", "", 1920, 7920, 1095, 375},
    {"Command3", Kind::Button, "&Update", "", 3360, 7920, 1095, 375},
    {"Command4", Kind::Button, "&Sort", "", 4800, 7920, 1095, 375},
    {"Frame2", Kind::Frame, "Evaluations", "", 2040, 3360, 1695, 1455},
    {"Frame1", Kind::Frame, "Awards", "", 3960, 3360, 2175, 1455},
    {"Label4", Kind::Label, nullptr, "", 5040, 5880, 615, 255},
    {"TotalDate", Kind::Label, nullptr, "", 4800, 5640, 1215, 255},
    {"CSSpin1", Kind::SpinBox, nullptr, "Frame2", 600, 240, 975, 495},
    {"CSSpin2", Kind::SpinBox, nullptr, "Frame2", 600, 840, 975, 495},
    {"Label2", Kind::Label, "SGT", "Frame2", 120, 360, 495, 255},
    {"Label3", Kind::Label, "1SG", "Frame2", 120, 960, 495, 255},
    {"Check1", Kind::CheckBox, "", "Frame1", 480, 240, 255, 375},
    {"Check5", Kind::CheckBox, "MSM", "Frame1", 720, 240, 1095, 375},
    {"Check2", Kind::CheckBox, "", "Frame1", 240, 600, 255, 255},
    {"Check7", Kind::CheckBox, "", "Frame1", 480, 600, 255, 255},
    {"Check8", Kind::CheckBox, "ARCOM", "Frame1", 720, 600, 1215, 255},
    {"Check3", Kind::CheckBox, "", "Frame1", 240, 840, 255, 255},
    {"Check9", Kind::CheckBox, "", "Frame1", 480, 840, 255, 255},
    {"Check10", Kind::CheckBox, "AAM", "Frame1", 720, 840, 735, 255},
    {"Check4", Kind::CheckBox, "", "Frame1", 240, 1080, 255, 255},
    {"Check6", Kind::CheckBox, "", "Frame1", 480, 1080, 255, 255},
    {"Check11", Kind::CheckBox, "LTR/COM", "Frame1", 720, 1080, 1215, 255},
    {"LastSchool", Kind::ComboBox, nullptr, "Frame3", 720, 360, 1935, 315},
    {"NextSchool", Kind::ComboBox, nullptr, "Frame3", 3600, 360, 1935, 315},
    {"PrefDates", Kind::LineEdit, nullptr, "Frame3", 1560, 840, 3975, 255},
    {"Label1", Kind::Label, "Last:", "Frame3", 120, 360, 495, 255},
    {"Label5", Kind::Label, "Next:", "Frame3", 2880, 360, 495, 255},
    {"Label6", Kind::Label, "Request Dates:", "Frame3", 120, 840, 1695, 255},
};

// The order in which Tab moves the focus (frames and labels take none).
const char* const kTabOrder[] = {
    "TDBGrid1", "CSOptList1", "CSSpin1", "CSSpin2", "Check1", "Check5", "Check2", "Check7", "Check8", "Check3",
    "Check9", "Check10", "Check4", "Check6", "Check11", "CSOptList2", "Command5", "LastSchool", "NextSchool",
    "PrefDates", "Command1", "Command2", "Command3", "Command4",
};

bool isKind(const QWidget* widget, Kind kind)
{
    switch (kind) {
    case Kind::Grid: return qobject_cast<const QTableView*>(widget);
    case Kind::Frame: return qobject_cast<const QGroupBox*>(widget) && widget->findChildren<QRadioButton*>().isEmpty();
    case Kind::OptionList: return qobject_cast<const QGroupBox*>(widget) && !widget->findChildren<QRadioButton*>().isEmpty();
    case Kind::Button: return qobject_cast<const QPushButton*>(widget);
    case Kind::SpinBox: return qobject_cast<const QAbstractSpinBox*>(widget);
    case Kind::Label: return qobject_cast<const QLabel*>(widget);
    case Kind::CheckBox: return qobject_cast<const QCheckBox*>(widget);
    case Kind::ComboBox: {
        auto* combo = qobject_cast<const QComboBox*>(widget);
        return combo && combo->isEditable();
    }
    case Kind::LineEdit: return qobject_cast<const QLineEdit*>(widget);
    }
    return false;
}

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

class MainFormLayout : public ::testing::Test {
protected:
    RosterFile roster;
    void SetUp() override
    {
        roster.insert({{"Name", "ADAMS, JOHN"}, {"Rank", "SGT"}, {"TISDate", "2010-05-01"}, {"DORDate", "2019-02-01"}});
        roster.insert({{"Name", "BAKER, MARY"}, {"Rank", "SSG"}, {"TISDate", "2008-01-15"}, {"DORDate", "2017-07-01"}});
    }
};

TEST_F(MainFormLayout, EveryControlStandsWhereItIsDrawn)
{
    FormUnderTest ui(roster);
    QWidget* client = ui.form->centralWidget();
    ASSERT_NE(client, nullptr);
    EXPECT_EQ(client->size(), QSize(px(*client, 6480), px(*client, 8520)));
    EXPECT_EQ(ui.form->windowTitle(), "Varnel");
    EXPECT_EQ(ui.form->objectName(), "MainForm");
    EXPECT_FALSE(ui.form->windowIcon().isNull());

    for (const Drawn& drawn : kDrawing) {
        SCOPED_TRACE(drawn.name);
        auto* widget = ui.find<QWidget>(drawn.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_TRUE(isKind(widget, drawn.kind));
        const QString container = *drawn.container ? QString::fromLatin1(drawn.container) : client->objectName();
        EXPECT_EQ(widget->parentWidget()->objectName(), container);
        EXPECT_EQ(widget->geometry(),
                  QRect(px(*widget, drawn.left), px(*widget, drawn.top), px(*widget, drawn.width), px(*widget, drawn.height)));
        if (drawn.caption) {
            EXPECT_EQ(captionOf(widget), QString::fromLatin1(drawn.caption));
        }
        EXPECT_FALSE(widget->accessibleName().isEmpty());
        EXPECT_TRUE(widget->isVisible());
        if (drawn.kind == Kind::Grid)
            continue;
        // The window's font and its window colour on every control.
        EXPECT_TRUE(widget->font().bold());
        EXPECT_DOUBLE_EQ(widget->font().pointSizeF(), 8.25);
        EXPECT_EQ(widget->palette().color(QPalette::Window), QApplication::palette().color(QPalette::Base));
        if (drawn.kind == Kind::Button) {
            auto* button = qobject_cast<QPushButton*>(widget);
            EXPECT_FALSE(button->autoDefault());
            EXPECT_FALSE(button->isDefault());
            EXPECT_EQ(button->palette().color(QPalette::Button), QApplication::palette().color(QPalette::Base));
        }
    }
}

TEST_F(MainFormLayout, WindowHasAFixedSize)
{
    FormUnderTest ui(roster);
    const QSize before = ui.form->size();
    EXPECT_EQ(ui.form->minimumSize(), ui.form->maximumSize());
    ui.form->resize(before.width() + 200, before.height() + 200);
    QTest::qWait(10);
    EXPECT_EQ(ui.form->size(), before);
}

TEST_F(MainFormLayout, OptionListsOfferTheirItemsInOrder)
{
    FormUnderTest ui(roster);
    const struct {
        const char* name;
        QStringList texts;
    } lists[] = {
        {"CSOptList1", {"300+", "290-299", "280-289", "270-279", "260-269", "250-259", "240-249", "220-239", "200-219", "180-199"}},
        {"CSOptList2", {"Expert", "Sharpshooter", "Marksman"}},
    };
    for (const auto& list : lists) {
        SCOPED_TRACE(list.name);
        QStringList texts;
        for (QRadioButton* button : ui.find<QWidget>(list.name)->findChildren<QRadioButton*>())
            texts.append(button->text());
        EXPECT_EQ(texts, list.texts);
    }
}

TEST_F(MainFormLayout, TabMovesThroughTheControlsInTheirOrder)
{
    FormUnderTest ui(roster);
    RosterGrid* grid = ui.form->grid();
    // From the grid's last column, Tab leaves the grid.
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(0, 3));
    auto namedControl = [&](QWidget* widget) -> QString {
        for (; widget; widget = widget->parentWidget()) {
            for (const char* name : kTabOrder) {
                if (widget->objectName() == QLatin1String(name))
                    return widget->objectName();
            }
        }
        return {};
    };
    QStringList visited{namedControl(QApplication::focusWidget())};
    for (size_t step = 1; step < std::size(kTabOrder) + 1; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.append(namedControl(QApplication::focusWidget()));
    }
    QStringList expected;
    for (const char* name : kTabOrder)
        expected.append(QString::fromLatin1(name));
    expected.append(expected.first()); // and round to the grid again
    EXPECT_EQ(visited, expected);
}

TEST_F(MainFormLayout, MenusMatchTheirTable)
{
    FormUnderTest ui(roster);
    const struct {
        const char* name;
        const char* caption; // nullptr for a separator
        const char* under;   // "" for the menu bar
    } items[] = {
        {"MNU_FILE", "&File", ""},
        {"MNU_CREATE", "&Create Report", "MNU_FILE"},
        {"MNU_MERIT", "&Merit List...", "MNU_CREATE"},
        {"MNU_WORKSHEETS", "&Worksheets...", "MNU_CREATE"},
        {"MNU_NCOES", "&NCOES Course...", "MNU_CREATE"},
        {"MNU_SEPER3", nullptr, "MNU_FILE"},
        {"MNU_EXIT", "&Exit", "MNU_FILE"},
        {"MNU_HELP", "&Help", ""},
        {"MNU_CONTENTS", "&Contents", "MNU_HELP"},
        {"MNU_SEPER4", nullptr, "MNU_HELP"},
        {"MNU_ABOUT", "&About...", "MNU_HELP"},
    };
    // Read the menus as the user sees them: each menu's actions in order.
    QStringList seen, expected;
    std::function<void(const QList<QAction*>&, const QString&)> walk = [&](const QList<QAction*>& actions, const QString& under) {
        for (QAction* action : actions) {
            EXPECT_TRUE(action->shortcut().isEmpty()) << action->objectName().toStdString();
            seen << QStringLiteral("%1|%2|%3").arg(action->objectName(), action->isSeparator() ? "-" : action->text(), under);
            if (action->menu())
                walk(action->menu()->actions(), action->objectName());
        }
    };
    walk(ui.form->menuBar()->actions(), QString());
    for (const auto& item : items)
        expected << QStringLiteral("%1|%2|%3").arg(item.name, item.caption ? item.caption : "-", item.under);
    EXPECT_EQ(seen, expected);
}

} // namespace
} // namespace varnel::ui::test
