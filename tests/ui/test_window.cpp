#include "ui_fixture.h"

#include "ui/about_box.h"
#include "ui/about_command.h"
#include "ui/client_scroll_area.h"
#include "ui/flat_style.h"
#include "ui/help_viewer.h"
#include "ui/roster_grid.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

namespace varnel::ui::test {
namespace {

// The system's window colour, not the button face Qt gives windows, wherever the grid is not.
TEST(WindowDrawing, WindowsKeepTheirDrawnSizeAndTheSystemsWindowColour)
{
    const QColor window = QApplication::palette().color(QPalette::Base);
    ASSERT_NE(window, QApplication::palette().color(QPalette::Window)) << "the test needs a style whose window colour differs from its button face";
    RosterFile roster;
    FormUnderTest ui(roster);
    AboutBox about;
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    RosterGrid* grid = ui.form->grid();
    const std::tuple<QWidget*, QWidget*, QSize> windows[] = {{ui.form.get(), ui.find("MainFormClient"), {6480, 8520}},
                                                            {&about, &about, {4635, 5415}}};
    for (const auto& [frame, client, twips] : windows) {
        SCOPED_TRACE(frame->objectName().toStdString());
        ASSERT_NE(client, nullptr);
        EXPECT_EQ(client->size(), drawnRect(*client, 0, 0, twips.width(), twips.height()).size());
        const QSize before = frame->size();
        frame->resize(before.width() + 200, before.height() + 200);
        QTest::qWait(10);
        EXPECT_EQ(frame->size(), before) << "a fixed size";
        for (QWidget* widget : client->findChildren<QWidget*>()) {
            if (widget != grid && !grid->isAncestorOf(widget)) {
                EXPECT_EQ(widget->palette().color(QPalette::Window), window) << widget->objectName().toStdString();
            }
        }
        const QImage shot = client->grab().toImage();
        auto pixel = [&](QPoint p) { return QColor(shot.pixel((QPointF(p) * shot.devicePixelRatio()).toPoint())); };
        EXPECT_EQ(pixel(QPoint(3, 3)), window);
        for (QPushButton* button : client->findChildren<QPushButton*>()) {
            EXPECT_FALSE(button->autoDefault() || button->isDefault());
            EXPECT_EQ(pixel(button->mapTo(client, QPoint(5, button->height() / 2))), window)
                << button->objectName().toStdString();
        }
    }
    auto* update = ui.find<QPushButton>("Command3");
    EXPECT_EQ(update->geometry(), drawnRect(*update, 3360, 7920, 1095, 375));
    EXPECT_EQ(update->text(), "&Update");
    // The grid keeps the system's colours and, in its headings, its font; its lines are grey.
    for (QWidget* part : std::initializer_list<QWidget*>{grid, grid->horizontalHeader(), grid->verticalScrollBar()})
        EXPECT_EQ(part->palette().color(QPalette::Button), QApplication::palette().color(QPalette::Button));
    EXPECT_EQ(grid->horizontalHeader()->font().pointSizeF(), QApplication::font().pointSizeF());
    EXPECT_EQ(QColor::fromRgba(QRgb(grid->style()->styleHint(QStyle::SH_Table_GridLineColor, nullptr, grid))),
              QColor(0x808080));
}

QMap<QString, QRect> placesOf(QWidget* client)
{
    QMap<QString, QRect> places;
    for (QWidget* widget : client->findChildren<QWidget*>())
        if (!widget->objectName().isEmpty())
            places.insert(widget->objectName(), widget->geometry());
    return places;
}

bool shownInViewport(ClientScrollArea* scroll, QWidget* widget)
{
    const QRect inViewport(widget->mapTo(scroll->viewport(), QPoint(0, 0)), widget->size());
    return scroll->viewport()->rect().contains(inViewport);
}

TEST(AnyScreen, ClientKeepsItsSizeWhereItFitsElseTakesTheRoomWithScrollBars)
{
    const QSize drawn(432, 568);
    const int bar = 15;
    const struct { QSize room; QSize fitted; } cases[] = {
        {{1000, 1000}, {432, 568}},  // fits: exactly as drawn
        {{432, 568}, {432, 568}},    // fits to the pixel
        {{1000, 400}, {447, 400}},   // too low: a vertical bar beside it
        {{440, 400}, {440, 400}},    // too low, and the bar makes it too narrow
        {{400, 1000}, {400, 583}},   // too narrow: a horizontal bar below it
        {{400, 580}, {400, 580}},    // too narrow, and the bar makes it too low
    };
    for (const auto& c : cases)
        EXPECT_EQ(fittedClientSize(drawn, c.room, bar), c.fitted) << c.room.width() << "x" << c.room.height();
}

TEST(AnyScreen, OnAScreenTooSmallTheWindowScrollsAndEveryControlStaysWhereItIsDrawn)
{
    RosterFile roster;
    roster.insertNames({"ADAMS", "BAKER"});
    FormUnderTest ui(roster);
    auto* scroll = ui.find<ClientScrollArea>("MainFormScroll");
    QWidget* client = ui.find("MainFormClient");
    ASSERT_TRUE(scroll && client);
    const QMap<QString, QRect> drawn = placesOf(client);
    // A new room is taken through posted events, late on a loaded machine.
    auto settle = [&] {
        (void)QTest::qWaitFor([&] { return scroll->size() == client->size() || scroll->height() < client->height(); }, 2000);
        QTest::qWait(20);
    };
    auto barsGone = [&] { return QTest::qWaitFor([&] { return !scroll->verticalScrollBar()->isVisible(); }, 2000); };

    scroll->setRoom([] { return QSize(2000, 2000); });
    settle();
    EXPECT_EQ(scroll->size(), client->size());
    EXPECT_TRUE(barsGone());
    EXPECT_FALSE(scroll->horizontalScrollBar()->isVisible());
    const QSize wholeWindow = ui.form->size();

    const QSize room(client->width() + 100, client->height() / 2);
    scroll->setRoom([room] { return room; });
    settle();
    EXPECT_EQ(scroll->height(), room.height());
    EXPECT_LT(ui.form->height(), wholeWindow.height());
    EXPECT_TRUE(QTest::qWaitFor([&] { return scroll->verticalScrollBar()->isVisible(); }, 2000));
    EXPECT_FALSE(scroll->horizontalScrollBar()->isVisible());
    EXPECT_EQ(placesOf(client), drawn) << "the layout stays as drawn";

    auto* add = ui.find<QPushButton>("Command1");
    EXPECT_FALSE(shownInViewport(scroll, add));
    ui.find("PrefDates")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), add);
    EXPECT_TRUE(shownInViewport(scroll, add));
    const int before = ui.form->binding().recordset().recordCount();
    QTest::mouseClick(add, Qt::LeftButton);
    EXPECT_EQ(ui.form->binding().recordset().recordCount(), before + 1);

    scroll->setRoom([] { return QSize(2000, 2000); });
    settle();
    EXPECT_EQ(scroll->size(), client->size());
    EXPECT_EQ(ui.form->size(), wholeWindow);
    EXPECT_TRUE(barsGone());
}

// A frame's line stays as the scheme draws it where it shows; where it nearly vanishes (a dark or high-contrast scheme)
// it is blended toward the text, or is the text colour itself where even the blend would not show.
TEST(AnyScreen, LinesStayVisibleInEveryScheme)
{
    const QColor grey(0xa0, 0xa0, 0xa0), dark(0x30, 0x30, 0x30), dim(0x50, 0x50, 0x50);
    EXPECT_EQ(visibleLine(grey, Qt::white, Qt::black), grey);
    for (const auto& [line, back, text] : {std::tuple{QColor(Qt::black), QColor(Qt::black), QColor(Qt::white)},
                                           {QColor(Qt::white), QColor(Qt::white), QColor(Qt::black)}}) {
        const QColor shown = visibleLine(line, back, text);
        EXPECT_NE(shown, text) << "blended, quieter than the text";
        EXPECT_GE(contrastRatio(shown, back), 3.0);
    }
    EXPECT_EQ(visibleLine(dark, dark, dim), dim);
}

TEST(MainFormLayout, MenusTakeTheirAccessKeysAndRunTheirCommands)
{
    RosterFile roster;
    FormUnderTest ui(roster);
    int items = 0;
    std::function<void(const QList<QAction*>&, const QString&)> walk = [&](const QList<QAction*>& actions, const QString& under) {
        QSet<QChar> accessKeys;
        for (QAction* action : actions) {
            ++items;
            if (const qsizetype amp = action->text().indexOf(u'&'); amp >= 0) {
                const QChar key = action->text().at(amp + 1).toLower();
                EXPECT_FALSE(accessKeys.contains(key)) << "access key " << QString(key).toStdString() << " twice in " << under.toStdString();
                accessKeys.insert(key);
            }
            if (action->menu() && action->objectName() != "MNU_RECENT") // the run's own
                walk(action->menu()->actions(), action->objectName());
        }
    };
    walk(ui.form->menuBar()->actions(), QString());
    EXPECT_GE(items, 23);

    const QString here = QDir::currentPath() + "/";
    const std::pair<const char*, QString> runs[] = {{"MNU_MERIT", here + "varnel_list.rpt"}, {"MNU_WORKSHEETS", here + "varnel_work.rpt"},
                                                    {"MNU_NCOES", here + "varnel_nco.rpt"}, {"MNU_CONTENTS", "help"}, {"MNU_ABOUT", "About box"}};
    for (const auto& [item, expected] : runs) {
        const qsizetype reports = ui.reportLog->fileNames.size();
        const int help = ui.helpRequests, about = ui.aboutRequests;
        ui.find<QAction>(item)->trigger();
        EXPECT_EQ(ui.reportLog->fileNames.mid(reports) + QStringList(ui.helpRequests - help, "help") + QStringList(ui.aboutRequests - about, "About box"),
                  QStringList{expected}) << item;
    }
    EXPECT_EQ(ui.reportLog->actions, QList<qint16>(3, 0)) << "the run request 0 for each report file";
    EXPECT_EQ(ui.boxes.lines(), QStringList());
}

// Three notches of the mouse wheel turned away from the clerk, over `widget`.
void turnWheel(QWidget* widget)
{
    const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
    QWheelEvent wheel(at, widget->mapToGlobal(at), QPoint(), QPoint(0, -360), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &wheel);
}

// Ctrl+End goes to the last record, not to the new-record row.
TEST(PlatformHabits, TheTabKeyTheWheelAndTheArrowsDoWhatTheClerkKnows)
{
    RosterFile roster;
    roster.insert({{"Name", "ADAMS"}, {"APFT", "C"}, {"Weapon", "S"}, {"1SGTPoints", 25}, {"SSGTPoints", 10},
                   {"LastSchool", "WLC"}, {"NextSchool", "ALC"}});
    roster.insertNames({"BAKER", "CARTER", "DAVIS"});
    FormUnderTest ui(roster);
    RosterGrid* grid = ui.form->grid();
    for (const auto& [column, key, focus] :
         {std::tuple{3, Qt::Key_Tab, "CSOptList1_C"}, {0, Qt::Key_Backtab, "Command4"}}) {
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(0, column));
        QTest::keyClick(QApplication::focusWidget(), key, key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), focus);
    }
    grid->setFocus();
    for (const char* name : {"CSSpin2", "LastSchool", "CSOptList1_C", "CSOptList2"}) {
        ASSERT_NE(ui.find(name), nullptr);
        turnWheel(ui.find(name));
        EXPECT_FALSE(ui.form->binding().hasPending()) << name << ": nothing changed under the wheel";
    }
    auto* spin = ui.find<QAbstractSpinBox>("CSSpin1");
    spin->setFocus();
    turnWheel(spin);
    EXPECT_NE(spin->text(), "10") << "in the control the clerk is in, the wheel does what it always does";
    EXPECT_TRUE(ui.form->binding().hasPending());

    grid->setFocus();
    ui.clickRow(0);
    grid->setCurrentIndex(grid->model()->index(0, 3));
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int row, column;
    } moves[] = {{Qt::Key_Right, {}, 1, 0}, {Qt::Key_Left, {}, 0, 3}, {Qt::Key_End, Qt::ControlModifier, 3, -1},
                 {Qt::Key_Home, Qt::ControlModifier, 0, -1}};
    for (const auto& m : moves) {
        QTest::keyClick(grid, m.key, m.modifiers);
        EXPECT_EQ(ui.position(), m.row);
        if (m.column >= 0) {
            EXPECT_EQ(grid->currentIndex(), grid->model()->index(m.row, m.column));
            continue;
        }
        QList<int> highlighted;
        for (const QModelIndex& index : grid->selectionModel()->selectedIndexes())
            if (!highlighted.contains(index.row()))
                highlighted << index.row();
        EXPECT_EQ(highlighted, QList<int>{m.row}) << "the highlight is on the current record";
    }
}

int visibleAboutBoxes()
{
    int count = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        count += w->objectName() == "About" && w->isVisible();
    return count;
}

// A box that deletes itself goes now, not later.
void deleteClosedBoxes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

TEST(AboutCommand, ShowsOneModelessBoxTakingItsKeysAndTheSameOneAgainAfterOk)
{
    EXPECT_EQ(versionText("1.2.0.7"), "1.02.0007");
    EXPECT_EQ(versionText("10.12.0.1234"), "10.12.1234");
    EXPECT_EQ(versionText("1.2"), "1.2") << "not a file version: left alone";
    QPushButton mainWindow("&Work"); // stands in for the main window's clicks
    int clicks = 0;
    QObject::connect(&mainWindow, &QPushButton::clicked, [&] { ++clicks; });
    mainWindow.show();
    QPointer<AboutBox> box;
    {
        AboutCommand about;
        about.run();
        about.run();
        box = about.box();
        ASSERT_TRUE(box);
        EXPECT_EQ(visibleAboutBoxes(), 1);
        EXPECT_EQ(box->parentWidget(), nullptr);
        EXPECT_FALSE(box->testAttribute(Qt::WA_QuitOnClose)) << "the box must not keep the program running";
        QTest::mouseClick(&mainWindow, Qt::LeftButton);
        EXPECT_EQ(clicks, 1) << "modeless";
        auto* notice = box->findChild<QLabel*>("Label4");
        EXPECT_GE(notice->text().size(), 200);
        EXPECT_LE(notice->heightForWidth(notice->width()), notice->height()) << "the notice is cut off";

        box->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(box));
        auto* ok = box->findChild<QPushButton*>("Command1");
        EXPECT_EQ(QApplication::focusWidget(), ok);
        if (auto* viewer = currentHelpViewer())
            viewer->hide();
        QTest::keyClick(ok, Qt::Key_F1);
        ASSERT_NE(currentHelpViewer(), nullptr);
        EXPECT_TRUE(currentHelpViewer()->isVisible());
        currentHelpViewer()->hide();
        QTest::keyClick(ok, Qt::Key_Escape);
        EXPECT_TRUE(box->isVisible()) << "Escape must not close the box";
        QTest::keyClick(ok, Qt::Key_Return);
        deleteClosedBoxes();
        ASSERT_TRUE(box) << "OK hides the box, it does not destroy it";
        EXPECT_EQ(visibleAboutBoxes(), 0);
        about.run();
        EXPECT_EQ(about.box(), box.data());
        EXPECT_EQ(visibleAboutBoxes(), 1);
        box->close();
        deleteClosedBoxes();
        EXPECT_FALSE(box) << "closed through the frame, the box is gone";
        EXPECT_EQ(about.box(), nullptr);
        about.run();
        box = about.box();
        ASSERT_TRUE(box) << "a fresh box";
        box->hide();
    }
    EXPECT_FALSE(box) << "a hidden box goes with the command";
}

} // namespace
} // namespace varnel::ui::test
