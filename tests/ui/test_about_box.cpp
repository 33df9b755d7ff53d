#include "ui/about_box.h"
#include "ui/app_icons.h"
#include "ui/help_viewer.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTest>

#include "support/roster_file.h" // readable Qt values in failures

#include <memory>

using varnel::ui::AboutBox;

// The drawing itself is checked with the main window's
// (test_window_drawing.cpp).
TEST(AboutBox, ShowsItsTextAndPicturesInFullInWhateverFontTheSystemHas)
{
    AboutBox box;
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    EXPECT_EQ(box.findChild<QLabel*>("Picture1")->pixmap().size(), QSize(111, 65));
    EXPECT_EQ(box.findChild<QLabel*>("Picture2")->pixmap().size(), QSize(35, 35));

    // In whatever font the system falls back to, nothing is cut off.
    auto* version = box.findChild<QLabel*>("Label5");
    EXPECT_LE(version->fontMetrics().horizontalAdvance(version->text()), version->width());
    auto* name = box.findChild<QLabel*>("Label1");
    EXPECT_LE(name->fontMetrics().height(), name->height());
    auto* notice = box.findChild<QLabel*>("Label4");
    EXPECT_TRUE(notice->wordWrap());
    EXPECT_GE(notice->text().size(), 200);
    EXPECT_LE(notice->heightForWidth(notice->width()), notice->height()) << "the notice is cut off";
}

TEST(AboutBox, KeysOkHasTheFocusEnterPressesItEscapeDoesNothingF1OpensHelp)
{
    AboutBox box;
    box.show();
    box.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
    auto* ok = box.findChild<QPushButton*>("Command1");
    EXPECT_EQ(QApplication::focusWidget(), ok);
    EXPECT_FALSE(ok->isDefault() || ok->autoDefault());

    if (auto* viewer = varnel::ui::currentHelpViewer())
        viewer->hide();
    QTest::keyClick(ok, Qt::Key_F1);
    ASSERT_NE(varnel::ui::currentHelpViewer(), nullptr);
    EXPECT_TRUE(varnel::ui::currentHelpViewer()->isVisible());
    varnel::ui::currentHelpViewer()->hide();

    QTest::keyClick(ok, Qt::Key_Escape);
    EXPECT_TRUE(box.isVisible()) << "Escape must not close the box";
    QTest::keyClick(ok, Qt::Key_Return);
    EXPECT_FALSE(box.isVisible()) << "Enter presses OK while it has the focus";
}

TEST(AboutBox, VersionTextPadsMinorAndRevision)
{
    EXPECT_EQ(varnel::ui::versionText("1.2.0.7"), "1.02.0007");
    EXPECT_EQ(varnel::ui::versionText("10.12.0.1234"), "10.12.1234");
    EXPECT_EQ(varnel::ui::versionText("1.2"), "1.2") << "not a file version: left alone";
}

// Icons: a 32 and a 16 pixel image from the sixteen-colour palette, with a
// transparent outline; the About pictures hold at most 256 colours.
TEST(AppIcons, ImagesHaveTheirSizesAndPalettes)
{
    auto colours = [](const QPixmap& pixmap) {
        const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
        QSet<QRgb> used;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                used.insert(qAlpha(image.pixel(x, y)) == 0 ? 0 : image.pixel(x, y)); // 0: transparent
        return used;
    };
    const QSet<QRgb> sixteen = {0, 0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000, 0xFF000080, 0xFF800080,
                                0xFF008080, 0xFFC0C0C0, 0xFF808080, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00,
                                0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF};
    const QIcon icons[] = {varnel::ui::mainWindowIcon(), varnel::ui::aboutIcon()};
    for (const QIcon& icon : icons)
        for (int side : {32, 16}) {
            EXPECT_TRUE(icon.availableSizes().contains(QSize(side, side))) << side;
            const QSet<QRgb> used = colours(icon.pixmap(QSize(side, side), 1.0));
            EXPECT_TRUE(used.contains(0)) << "a transparent outline";
            EXPECT_GE(used.size(), 4);
            EXPECT_TRUE(sixteen.contains(used)) << "colours outside the palette";
        }
    EXPECT_NE(icons[0].pixmap(QSize(32, 32), 1.0).toImage(), icons[1].pixmap(QSize(32, 32), 1.0).toImage());
    for (const QPixmap& picture : {varnel::ui::aboutBanner(), varnel::ui::aboutEmblem()}) {
        EXPECT_LE(colours(picture).size(), 257);
        EXPECT_GE(colours(picture).size(), 8) << "a picture, not a flat fill";
    }
}
