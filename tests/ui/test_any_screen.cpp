// The main window on any screen and in any colour scheme: whole at its drawn
// size where it fits, scrolling where it does not, with the layout as
// drawn; frames, check boxes and option buttons visible in light, dark and
// high-contrast schemes.
#include "ui_fixture.h"

#include "ui/about_box.h"
#include "ui/client_scroll_area.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <cmath>

namespace varnel::ui::test {
namespace {

// WCAG's contrast ratio, 1 (equal) to 21 (black on white).
double contrast(QColor a, QColor b)
{
    auto linear = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    auto luminance = [&](QColor c) {
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Pixels of `image` within `area` that stand out from `background` by at
// least `ratio`.
int standingOut(const QImage& image, const QRect& area, QColor background, double ratio)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += contrast(image.pixelColor(x, y), background) >= ratio;
    return count;
}

// Every control's place in its container, to compare before and after.
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

} // namespace

TEST(AnyScreen, ClientKeepsItsSizeWhereItFitsElseTakesTheRoomWithScrollBars)
{
    const QSize drawn(432, 568);
    const int bar = 15;
    const struct {
        QSize room;
        QSize fitted;
    } cases[] = {
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
    // Layouts and scroll bars follow a new room through posted events,
    // which a loaded machine delivers late: wait for the room to be taken.
    auto settle = [&] {
        (void)QTest::qWaitFor([&] { return scroll->size() == client->size() || scroll->height() < client->height(); }, 2000);
        QTest::qWait(20);
    };
    auto barsGone = [&] { return QTest::qWaitFor([&] { return !scroll->verticalScrollBar()->isVisible(); }, 2000); };

    // A screen it fits: the client whole, to the pixel, no scroll bars.
    scroll->setRoom([] { return QSize(2000, 2000); });
    settle();
    EXPECT_EQ(scroll->size(), client->size());
    EXPECT_TRUE(barsGone());
    EXPECT_FALSE(scroll->horizontalScrollBar()->isVisible());
    const QSize wholeWindow = ui.form->size();

    // Half the height: the window takes the room there is and scrolls.
    const QSize room(client->width() + 100, client->height() / 2);
    scroll->setRoom([room] { return room; });
    settle();
    EXPECT_EQ(scroll->height(), room.height());
    EXPECT_LT(ui.form->height(), wholeWindow.height());
    EXPECT_TRUE(scroll->verticalScrollBar()->isVisible());
    EXPECT_FALSE(scroll->horizontalScrollBar()->isVisible());
    EXPECT_EQ(placesOf(client), drawn) << "the layout stays as drawn";

    // The buttons at the bottom are out of view until Tab reaches them.
    auto* add = ui.find<QPushButton>("Command1");
    EXPECT_FALSE(shownInViewport(scroll, add));
    ui.find("PrefDates")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), add);
    EXPECT_TRUE(shownInViewport(scroll, add));
    // And a click there works as it does on a large screen.
    const int before = ui.form->binding().recordset().recordCount();
    QTest::mouseClick(add, Qt::LeftButton);
    EXPECT_EQ(ui.form->binding().recordset().recordCount(), before + 1);

    // Room again: whole, as at first.
    scroll->setRoom([] { return QSize(2000, 2000); });
    settle();
    EXPECT_EQ(scroll->size(), client->size());
    EXPECT_EQ(ui.form->size(), wholeWindow);
    EXPECT_TRUE(barsGone());
}

TEST(AnyScreen, FramesCheckBoxesAndOptionButtonsStayVisibleInEveryScheme)
{
    const QPalette standard = QApplication::palette();
    auto scheme = [](QColor window, QColor base, QColor text, QColor dark) {
        QPalette palette;
        palette.setColor(QPalette::Window, window);
        palette.setColor(QPalette::Base, base);
        palette.setColor(QPalette::AlternateBase, base);
        palette.setColor(QPalette::Button, window);
        for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            palette.setColor(role, text);
        palette.setColor(QPalette::Dark, dark);
        palette.setColor(QPalette::Mid, dark);
        palette.setColor(QPalette::Shadow, Qt::black);
        return palette;
    };
    const struct {
        const char* name;
        QPalette palette;
    } schemes[] = {
        {"the standard light scheme", standard},
        {"a dark scheme", scheme(QColor(0x22, 0x20, 0x20), QColor(0x3d, 0x3d, 0x3d), Qt::white, QColor(0x30, 0x2f, 0x2e))},
        {"high contrast, white on black", scheme(Qt::black, Qt::black, Qt::white, Qt::black)},
        {"high contrast, black on white", scheme(Qt::white, Qt::white, Qt::black, Qt::white)},
    };
    for (const auto& s : schemes) {
        SCOPED_TRACE(s.name);
        QApplication::setPalette(s.palette);
        {
            RosterFile roster;
            roster.insertNames({"ADAMS"});
            FormUnderTest ui(roster);
            QWidget* client = ui.find("MainFormClient");
            const QColor background = s.palette.color(QPalette::Base);
            EXPECT_EQ(client->palette().color(QPalette::Window), background) << "the window colour throughout";

            // The Awards frame's line, left of its boxes.
            auto* frame = ui.find<QGroupBox>("Frame1");
            const QImage frameImage = frame->grab().toImage();
            const QRect leftEdge(0, frame->height() / 3, 3, frame->height() / 3);
            EXPECT_GE(standingOut(frameImage, leftEdge, background, 1.8), leftEdge.height()) << "frame line";

            // An award box without a caption: everything drawn is the box.
            auto* box = ui.find<QCheckBox>("Check1");
            const int boxSide = box->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, box);
            const int outline = standingOut(box->grab().toImage(), box->rect(), background, 3.0);
            EXPECT_GE(outline, 2 * boxSide) << "check box outline";
            QTest::mouseClick(box, Qt::LeftButton);
            ASSERT_TRUE(box->isChecked());
            EXPECT_GT(standingOut(box->grab().toImage(), box->rect(), background, 3.0), outline + boxSide / 2)
                << "the check mark";

            // An option button, its indicator left of its caption.
            auto* option = ui.find<QRadioButton>("CSOptList2_E");
            ASSERT_NE(option, nullptr);
            const int optionSide = option->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, option);
            const QRect indicator(0, 0, optionSide + 1, option->height());
            const int ring = standingOut(option->grab().toImage(), indicator, background, 3.0);
            EXPECT_GE(ring, 2 * optionSide) << "option button ring";
            QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(optionSide / 2, option->height() / 2));
            ASSERT_TRUE(option->isChecked());
            EXPECT_GT(standingOut(option->grab().toImage(), indicator, background, 3.0), ring + optionSide / 2)
                << "the option's dot";
        }
        {
            // The About box's "Warning" frame.
            AboutBox about;
            about.show();
            auto* frame = about.findChild<QGroupBox*>("Frame1");
            ASSERT_NE(frame, nullptr);
            const QImage image = frame->grab().toImage();
            const QRect leftEdge(0, frame->height() / 3, 3, frame->height() / 3);
            EXPECT_GE(standingOut(image, leftEdge, s.palette.color(QPalette::Base), 1.8), leftEdge.height())
                << "About box frame line";
        }
        QApplication::setPalette(standard);
    }
}

} // namespace varnel::ui::test
