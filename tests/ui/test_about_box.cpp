#include "ui/about_box.h"
#include "ui/app_icons.h"
#include "ui/help_viewer.h"

#include <QApplication>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTest>

#include "support/roster_file.h" // readable Qt values in failures

#include <memory>

using varnel::ui::AboutBox;

namespace {

// Twips (1440 to the inch) at the widget's logical resolution; both edges
// are converted, so controls that touch in twips touch on the screen.
QRect fromTwips(const QWidget* on, int left, int top, int width, int height)
{
    auto px = [](int twips, int dpi) { return qRound(twips * dpi / 1440.0); };
    const int dx = on->logicalDpiX(), dy = on->logicalDpiY();
    return QRect(QPoint(px(left, dx), px(top, dy)), QPoint(px(left + width, dx) - 1, px(top + height, dy) - 1));
}

QString shownText(const QWidget* control)
{
    if (auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    if (auto* button = qobject_cast<const QPushButton*>(control))
        return button->text();
    if (auto* frame = qobject_cast<const QGroupBox*>(control))
        return frame->title();
    return {};
}

} // namespace

TEST(AboutBox, PlacesEveryControlWhereTheLayoutSaysWithItsTextInFull)
{
    AboutBox box;
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    EXPECT_EQ(box.objectName(), "About");
    EXPECT_EQ(box.windowTitle(), "About");
    EXPECT_EQ(box.size(), fromTwips(&box, 0, 0, 4635, 5415).size());
    EXPECT_EQ(box.minimumSize(), box.maximumSize()) << "the box has a fixed size";

    const struct {
        const char* name;
        const char* className;
        const char* parent;
        QString text;
        int left, top, width, height;
        qreal points; // every control bold
    } rows[] = {
        {"Picture2", "QLabel", "About", {}, 240, 360, 855, 615, 8.25},
        {"Label1", "QLabel", "About", "Varnel", 1200, 360, 2895, 375, 13.5},
        {"Label5", "QLabel", "About", QStringLiteral("Version 1.02.0007 (%1-bit)").arg(QT_POINTER_SIZE * 8), 1200, 720, 3015, 255, 9.75},
        {"Picture1", "QLabel", "About", {}, 1680, 1200, 1935, 975, 8.25},
        {"Frame1", "QGroupBox", "About", "Warning", 360, 2280, 3975, 1575, 8.25},
        {"Label4", "QLabel", "Frame1", AboutBox::legalNotice(), 240, 240, 3495, 1215, 8.25},
        {"Command1", "QPushButton", "About", "OK", 1800, 4680, 1215, 375, 8.25},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto* control = box.findChild<QWidget*>(QLatin1String(row.name));
        ASSERT_NE(control, nullptr);
        EXPECT_STREQ(control->metaObject()->className(), row.className);
        EXPECT_EQ(control->parentWidget()->objectName(), QLatin1String(row.parent));
        EXPECT_EQ(control->geometry(), fromTwips(&box, row.left, row.top, row.width, row.height));
        EXPECT_EQ(shownText(control), row.text);
        EXPECT_FALSE(control->accessibleName().isEmpty());
        EXPECT_DOUBLE_EQ(control->font().pointSizeF(), row.points);
        EXPECT_TRUE(QFontInfo(control->font()).bold());
        EXPECT_EQ(control->font().families().value(0), "MS Sans Serif");
    }
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

TEST(AboutBox, IsDrawnInTheWindowColourThroughout)
{
    AboutBox box;
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    const QColor window = QApplication::palette().color(QPalette::Base);
    ASSERT_NE(window, QApplication::palette().color(QPalette::Window))
        << "the test needs a style whose window colour differs from its button face";
    for (QWidget* w : box.findChildren<QWidget*>()) {
        EXPECT_EQ(w->palette().color(QPalette::Window), window) << w->objectName().toStdString();
        EXPECT_EQ(w->palette().color(QPalette::WindowText), QApplication::palette().color(QPalette::Text));
    }
    // On screen: the background and the button's face.
    const QImage shot = box.grab().toImage();
    auto pixel = [&](QPoint p) { return QColor(shot.pixel((QPointF(p) * shot.devicePixelRatio()).toPoint())); };
    EXPECT_EQ(pixel(QPoint(3, 3)), window);
    auto* ok = box.findChild<QPushButton*>("Command1");
    EXPECT_EQ(pixel(ok->geometry().topLeft() + QPoint(5, ok->height() / 2)), window);
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
