#include "ui/about_box.h"
#include "ui/app_icons.h"
#include "ui/help_viewer.h"

#include <QApplication>
#include <QFontInfo>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using varnel::ui::AboutBox;

namespace {

QRect fromTwips(const QWidget* on, int left, int top, int width, int height)
{
    auto px = [](int twips, int dpi) { return qRound(twips * dpi / 1440.0); };
    const int dx = on->logicalDpiX(), dy = on->logicalDpiY();
    return QRect(px(left, dx), px(top, dy), px(width, dx), px(height, dy));
}

struct ControlRow {
    const char* name;
    const char* className;
    const char* parentName;
    QString text;   // caption or label text; empty for pictures
    int left, top, width, height;
};

std::unique_ptr<AboutBox> shownBox()
{
    auto box = std::make_unique<AboutBox>();
    box->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(box.get()));
    return box;
}

} // namespace

TEST(AboutBox, PlacesEveryControlWhereTheLayoutSays)
{
    AboutBox box;
    EXPECT_EQ(box.objectName(), "About");
    EXPECT_EQ(box.windowTitle(), "About");
    EXPECT_EQ(box.size(), fromTwips(&box, 0, 0, 4635, 5415).size());
    EXPECT_EQ(box.minimumSize(), box.maximumSize()) << "the box has a fixed size";

    const ControlRow rows[] = {
        {"Picture2", "QLabel", "About", {}, 240, 360, 855, 615},
        {"Label1", "QLabel", "About", "Varnel", 1200, 360, 2895, 375},
        {"Label5", "QLabel", "About", "Version 1.02.0007 (32-bit)", 1200, 720, 3015, 255},
        {"Picture1", "QLabel", "About", {}, 1680, 1200, 1935, 975},
        {"Frame1", "QGroupBox", "About", "Warning", 360, 2280, 3975, 1575},
        {"Label4", "QLabel", "Frame1", AboutBox::legalNotice(), 240, 240, 3495, 1215},
        {"Command1", "QPushButton", "About", "OK", 1800, 4680, 1215, 375},
    };
    for (const ControlRow& row : rows) {
        SCOPED_TRACE(row.name);
        auto* control = box.findChild<QWidget*>(QLatin1String(row.name));
        ASSERT_NE(control, nullptr);
        EXPECT_STREQ(control->metaObject()->className(), row.className);
        EXPECT_EQ(control->parentWidget()->objectName(), QLatin1String(row.parentName));
        EXPECT_EQ(control->geometry(), fromTwips(&box, row.left, row.top, row.width, row.height));
        EXPECT_FALSE(control->accessibleName().isEmpty());
        QString text;
        if (auto* label = qobject_cast<QLabel*>(control))
            text = label->text();
        else if (auto* button = qobject_cast<QPushButton*>(control))
            text = button->text();
        else if (auto* frame = qobject_cast<QGroupBox*>(control))
            text = frame->title();
        EXPECT_EQ(text, row.text);
    }
}

TEST(AboutBox, ShowsPicturesNameVersionAndNoticeReadably)
{
    auto box = shownBox();

    auto* picture1 = box->findChild<QLabel*>("Picture1");
    auto* picture2 = box->findChild<QLabel*>("Picture2");
    EXPECT_EQ(picture1->pixmap().size(), QSize(111, 65));
    EXPECT_EQ(picture2->pixmap().size(), QSize(35, 35));

    // Fonts: 8.25 pt bold for the box, larger bold for name and version.
    const struct { const char* name; qreal points; } fonts[] = {
        {"Label1", 13.5}, {"Label5", 9.75}, {"Label4", 8.25}, {"Command1", 8.25}, {"Frame1", 8.25}};
    for (const auto& f : fonts) {
        SCOPED_TRACE(f.name);
        auto* control = box->findChild<QWidget*>(f.name);
        EXPECT_DOUBLE_EQ(control->font().pointSizeF(), f.points);
        EXPECT_TRUE(QFontInfo(control->font()).bold());
        EXPECT_TRUE(control->font().families().contains("MS Sans Serif"));
    }

    // What is drawn must fit in its place, in the font actually used.
    auto* version = box->findChild<QLabel*>("Label5");
    EXPECT_LE(version->fontMetrics().horizontalAdvance(version->text()), version->width());
    auto* name = box->findChild<QLabel*>("Label1");
    EXPECT_LE(name->fontMetrics().height(), name->height());
    auto* notice = box->findChild<QLabel*>("Label4");
    EXPECT_TRUE(notice->wordWrap());
    EXPECT_GE(notice->text().size(), 200);
    EXPECT_LE(notice->text().size(), 240);
    EXPECT_LE(notice->heightForWidth(notice->width()), notice->height()) << "the notice is cut off";
}

TEST(AboutBox, IsDrawnInTheWindowColourThroughout)
{
    auto box = shownBox();
    const QColor window = QApplication::palette().color(QPalette::Base);
    const QColor text = QApplication::palette().color(QPalette::Text);
    ASSERT_NE(window, QApplication::palette().color(QPalette::Window))
        << "the test needs a style whose window colour differs from its button face";

    QList<QWidget*> all = box->findChildren<QWidget*>();
    all.prepend(box.get());
    for (QWidget* w : all) {
        SCOPED_TRACE(w->objectName().toStdString());
        EXPECT_EQ(w->palette().color(QPalette::Window), window);
        EXPECT_EQ(w->palette().color(QPalette::WindowText), text);
        EXPECT_EQ(w->palette().color(QPalette::Button), window);
    }

    // And on screen: the background and the button's face.
    const QImage shot = box->grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(3, 3)), window);
    auto* ok = box->findChild<QPushButton*>("Command1");
    const QPoint inButton = ok->geometry().topLeft() + QPoint(5, ok->height() / 2);
    EXPECT_EQ(QColor(shot.pixel(inButton)), window);
}

TEST(AboutBox, OkHasTheFocusAndHidesTheBoxWhileEscapeDoesNothing)
{
    auto box = shownBox();
    box->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(box.get()));
    auto* ok = box->findChild<QPushButton*>("Command1");
    EXPECT_EQ(QApplication::focusWidget(), ok);
    EXPECT_FALSE(ok->isDefault());
    EXPECT_FALSE(ok->autoDefault());
    for (QWidget* w : box->findChildren<QWidget*>())
        if (w != ok)
            EXPECT_EQ(w->focusPolicy(), Qt::NoFocus) << w->objectName().toStdString();

    QTest::keyClick(ok, Qt::Key_Escape);
    EXPECT_TRUE(box->isVisible()) << "Escape must not close the box";

    QTest::keyClick(ok, Qt::Key_Return);
    EXPECT_FALSE(box->isVisible()) << "Enter presses OK while it has the focus";

    box->show();
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(box->isVisible());
}

TEST(AboutBox, F1OpensTheHelpContents)
{
    auto box = shownBox();
    if (varnel::ui::HelpViewer* old = varnel::ui::currentHelpViewer())
        old->hide();
    QTest::keyClick(box->findChild<QPushButton*>("Command1"), Qt::Key_F1);
    varnel::ui::HelpViewer* viewer = varnel::ui::currentHelpViewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_TRUE(box->isVisible()) << "help opens beside the box";
    viewer->hide();
}

TEST(AboutBox, VersionTextPadsMinorAndRevision)
{
    const struct { const char* in; const char* out; } cases[] = {
        {"1.2.0.7", "1.02.0007"},
        {"10.12.0.1234", "10.12.1234"},
        {"2.0.3.45", "2.00.0045"},
        {"1.2", "1.2"},
        {"1.x.0.7", "1.x.0.7"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(varnel::ui::versionText(c.in), QString::fromLatin1(c.out)) << c.in;
    EXPECT_EQ(AboutBox::versionLine(), "Version 1.02.0007 (32-bit)");
}

namespace {

const QSet<QRgb> kSixteenColours = {
    0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000, 0xFF000080, 0xFF800080, 0xFF008080, 0xFFC0C0C0,
    0xFF808080, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00, 0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF};

} // namespace

TEST(AppIcons, IconsComeInTwoSizesFromSixteenColours)
{
    const struct { const char* name; QIcon icon; } icons[] = {
        {"main window", varnel::ui::mainWindowIcon()}, {"About box", varnel::ui::aboutIcon()}};
    QList<QImage> larges;
    for (const auto& entry : icons) {
        SCOPED_TRACE(entry.name);
        const QList<QSize> sizes = entry.icon.availableSizes();
        EXPECT_TRUE(sizes.contains(QSize(32, 32)));
        EXPECT_TRUE(sizes.contains(QSize(16, 16)));
        for (int side : {32, 16}) {
            const QImage image = entry.icon.pixmap(side, side).toImage().convertToFormat(QImage::Format_ARGB32);
            ASSERT_EQ(image.size(), QSize(side, side));
            QSet<QRgb> used;
            int transparent = 0;
            for (int y = 0; y < side; ++y)
                for (int x = 0; x < side; ++x) {
                    const QRgb p = image.pixel(x, y);
                    if (qAlpha(p) == 0)
                        ++transparent;
                    else
                        used.insert(p);
                }
            EXPECT_GE(used.size(), 3) << side << ": the image is more than a blot";
            EXPECT_GT(transparent, 0) << side << ": the icon has a shape of its own";
            for (QRgb p : used)
                EXPECT_TRUE(kSixteenColours.contains(p)) << side << ": colour " << std::hex << p;
            if (side == 32)
                larges << image;
        }
    }
    EXPECT_NE(larges[0], larges[1]) << "the two windows have different icons";
}

TEST(AppIcons, PicturesHaveTheirSizesIn256Colours)
{
    const struct { const char* name; QPixmap pixmap; QSize size; } pictures[] = {
        {"Picture1", varnel::ui::aboutPicture1(), QSize(111, 65)},
        {"Picture2", varnel::ui::aboutPicture2(), QSize(35, 35)}};
    for (const auto& entry : pictures) {
        SCOPED_TRACE(entry.name);
        EXPECT_EQ(entry.pixmap.size(), entry.size);
        const QImage image = entry.pixmap.toImage();
        QSet<QRgb> used;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                used.insert(image.pixel(x, y));
        EXPECT_LE(used.size(), 256);
        EXPECT_GE(used.size(), 8) << "a picture, not a flat fill";
    }
}
