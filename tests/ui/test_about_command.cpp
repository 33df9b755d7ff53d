#include "ui/about_box.h"
#include "ui/about_command.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include "support/roster_file.h" // readable Qt values in failures

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

// A box that deletes itself goes now, not later.
void deleteClosedBoxes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

} // namespace

TEST(AboutCommand, ShowsOneModelessBoxAndTheSameOneAgainAfterOk)
{
    QPushButton mainWindow("&Work"); // stands in for the main window
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
        EXPECT_EQ(box->parentWidget(), nullptr) << "shown without an owner";
        EXPECT_FALSE(box->testAttribute(Qt::WA_QuitOnClose)) << "the box must not keep the program running";
        // Modeless: the main window still takes clicks.
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        QTest::mouseClick(&mainWindow, Qt::LeftButton);
        EXPECT_EQ(clicks, 1);

        QTest::mouseClick(box->findChild<QPushButton*>("Command1"), Qt::LeftButton);
        deleteClosedBoxes();
        ASSERT_TRUE(box) << "OK hides the box, it does not destroy it";
        EXPECT_EQ(visibleAboutBoxes(), 0);
        about.run();
        EXPECT_EQ(about.box(), box.data());
        EXPECT_EQ(visibleAboutBoxes(), 1);
        box->hide();
    }
    EXPECT_FALSE(box) << "a hidden box goes with the command";
}

TEST(AboutCommand, ClosingTheBoxThroughItsFrameMakesTheNextRunCreateANewOne)
{
    AboutCommand about;
    about.run();
    QPointer<AboutBox> first = about.box();
    first->findChild<QLabel*>("Label1")->setText("changed");
    first->close();
    deleteClosedBoxes();
    EXPECT_FALSE(first) << "closed through the frame, the box is gone";
    EXPECT_EQ(about.box(), nullptr);

    about.run();
    ASSERT_NE(about.box(), nullptr);
    EXPECT_EQ(about.box()->findChild<QLabel*>("Label1")->text(), "Varnel") << "a fresh box";
    EXPECT_EQ(visibleAboutBoxes(), 1);
    about.box()->hide();
}
