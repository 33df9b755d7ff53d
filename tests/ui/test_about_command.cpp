#include "ui/about_box.h"
#include "ui/about_command.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using varnel::ui::AboutBox;
using varnel::ui::AboutCommand;

namespace {

int visibleAboutBoxes()
{
    int count = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "About" && w->isVisible())
            ++count;
    return count;
}

void pressOk(AboutBox* box)
{
    QTest::mouseClick(box->findChild<QPushButton*>("Command1"), Qt::LeftButton);
}

// Lets pending deletions (a closed box) happen.
void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// A main window with one working button, standing in for the real one.
struct StandInMainWindow {
    QWidget window;
    QPushButton* button = new QPushButton("&Work", &window);
    int clicks = 0;
    StandInMainWindow()
    {
        window.setObjectName("StandInMainForm");
        (new QVBoxLayout(&window))->addWidget(button);
        QObject::connect(button, &QPushButton::clicked, [this] { ++clicks; });
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
};

} // namespace

TEST(AboutCommand, ShowsOneBoxAndTheSameOneAgainAfterOk)
{
    AboutCommand about;
    EXPECT_EQ(about.box(), nullptr) << "no box before the first run";

    about.run();
    QPointer<AboutBox> first = about.box();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->parentWidget(), nullptr) << "shown without an owner";
    EXPECT_FALSE(first->isModal());

    about.run();
    EXPECT_EQ(about.box(), first.data());
    EXPECT_EQ(visibleAboutBoxes(), 1);

    pressOk(first);
    settle();
    ASSERT_TRUE(first) << "OK hides the box, it does not destroy it";
    EXPECT_FALSE(first->isVisible());
    EXPECT_EQ(visibleAboutBoxes(), 0);

    about.run();
    EXPECT_EQ(about.box(), first.data());
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(visibleAboutBoxes(), 1);
}

TEST(AboutCommand, ClosingTheBoxThroughItsFrameMakesTheNextRunCreateANewOne)
{
    AboutCommand about;
    about.run();
    QPointer<AboutBox> first = about.box();
    ASSERT_TRUE(first);
    first->findChild<QLabel*>("Label1")->setText("changed");

    first->close();
    settle();
    EXPECT_FALSE(first) << "closed through the frame, the box is gone";
    EXPECT_EQ(about.box(), nullptr);

    about.run();
    ASSERT_NE(about.box(), nullptr);
    EXPECT_TRUE(about.box()->isVisible());
    EXPECT_EQ(about.box()->findChild<QLabel*>("Label1")->text(), "Varnel") << "a fresh box";
    EXPECT_EQ(visibleAboutBoxes(), 1);
}

TEST(AboutCommand, LeavesTheMainWindowUsable)
{
    StandInMainWindow main;
    AboutCommand about;
    about.run();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    QTest::mouseClick(main.button, Qt::LeftButton);
    EXPECT_EQ(main.clicks, 1);
    EXPECT_TRUE(about.box()->isVisible());
}

TEST(AboutCommand, TheBoxGoesWithTheCommand)
{
    QPointer<AboutBox> box;
    {
        AboutCommand about;
        about.run();
        box = about.box();
        pressOk(box);
    }
    EXPECT_FALSE(box) << "a hidden box must not outlive its command";
}

// Closing the main window ends the program whatever the About box's state.
TEST(AboutCommand, ClosingTheMainWindowEndsTheEventLoop)
{
    enum class BoxState { NeverShown, Open, Hidden };
    for (BoxState state : {BoxState::NeverShown, BoxState::Open, BoxState::Hidden}) {
        SCOPED_TRACE(int(state));
        // Another visible window left behind would keep the loop running and
        // make the result meaningless.
        for (QWidget* w : QApplication::topLevelWidgets())
            ASSERT_FALSE(w->isVisible() && w->testAttribute(Qt::WA_QuitOnClose))
                << "a window left open by an earlier test: " << w->objectName().toStdString();
        QApplication::setQuitOnLastWindowClosed(true);

        StandInMainWindow main;
        AboutCommand about;
        if (state != BoxState::NeverShown)
            about.run();
        if (state == BoxState::Hidden)
            pressOk(about.box());

        bool timedOut = false;
        QTimer::singleShot(0, &main.window, [&] { main.window.close(); });
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [&] {
            timedOut = true;
            QCoreApplication::exit(1);
        });
        watchdog.start(5000);
        const int rc = QCoreApplication::exec();
        EXPECT_FALSE(timedOut) << "the program kept running after its main window closed";
        EXPECT_EQ(rc, 0);
        if (state == BoxState::Open && about.box())
            about.box()->hide();
    }
}
