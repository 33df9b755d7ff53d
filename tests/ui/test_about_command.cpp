#include "ui/about_box.h"
#include "ui/about_command.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using varnel::ui::AboutBox;
using varnel::ui::AboutCommand;

namespace {

int visibleAboutBoxes()
{
    int count = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        count += w->objectName() == "About" && w->isVisible();
    return count;
}

void pressOk(AboutBox* box)
{
    QTest::mouseClick(box->findChild<QPushButton*>("Command1"), Qt::LeftButton);
    // A box that deletes itself goes now, not later.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

TEST(AboutCommand, ShowsOneModelessBoxAndTheSameOneAgainAfterOk)
{
    QPushButton mainWindow("&Work");   // stands in for the main window
    int clicks = 0;
    QObject::connect(&mainWindow, &QPushButton::clicked, [&] { ++clicks; });
    mainWindow.show();

    AboutCommand about;
    EXPECT_EQ(about.box(), nullptr) << "no box before the first run";
    about.run();
    about.run();
    QPointer<AboutBox> box = about.box();
    ASSERT_TRUE(box);
    EXPECT_EQ(visibleAboutBoxes(), 1);
    EXPECT_EQ(box->parentWidget(), nullptr) << "shown without an owner";

    // Modeless: the main window still takes clicks.
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    QTest::mouseClick(&mainWindow, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);

    pressOk(box);
    ASSERT_TRUE(box) << "OK hides the box, it does not destroy it";
    EXPECT_EQ(visibleAboutBoxes(), 0);
    about.run();
    EXPECT_EQ(about.box(), box.data());
    EXPECT_EQ(visibleAboutBoxes(), 1);
}

TEST(AboutCommand, ClosingTheBoxThroughItsFrameMakesTheNextRunCreateANewOne)
{
    AboutCommand about;
    about.run();
    QPointer<AboutBox> first = about.box();
    first->findChild<QLabel*>("Label1")->setText("changed");

    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(first) << "closed through the frame, the box is gone";
    EXPECT_EQ(about.box(), nullptr);

    about.run();
    ASSERT_NE(about.box(), nullptr);
    EXPECT_EQ(about.box()->findChild<QLabel*>("Label1")->text(), "Varnel") << "a fresh box";
    EXPECT_EQ(visibleAboutBoxes(), 1);
}

TEST(AboutCommand, AHiddenBoxGoesWithTheCommand)
{
    QPointer<AboutBox> box;
    {
        AboutCommand about;
        about.run();
        box = about.box();
        pressOk(box);
    }
    EXPECT_FALSE(box);
}

// Closing the main window ends the program whether the About box was never
// shown, is open or is hidden.
TEST(AboutCommand, ClosingTheMainWindowEndsTheEventLoop)
{
    QApplication::setQuitOnLastWindowClosed(true);
    for (int state : {0, 1, 2}) {   // never shown, open, hidden
        SCOPED_TRACE(state);
        // Another visible window would keep the loop running by itself.
        for (QWidget* w : QApplication::topLevelWidgets())
            ASSERT_FALSE(w->isVisible() && w->testAttribute(Qt::WA_QuitOnClose))
                << "a window left open by an earlier test: " << w->objectName().toStdString();

        QWidget mainWindow;
        mainWindow.show();
        AboutCommand about;
        if (state >= 1)
            about.run();
        if (state == 2)
            pressOk(about.box());

        bool timedOut = false;
        QTimer::singleShot(0, &mainWindow, [&] { mainWindow.close(); });
        QTimer::singleShot(5000, &mainWindow, [&] {
            timedOut = true;
            QCoreApplication::exit(1);
        });
        EXPECT_EQ(QCoreApplication::exec(), 0);
        EXPECT_FALSE(timedOut) << "the program kept running after its main window closed";
    }
}
