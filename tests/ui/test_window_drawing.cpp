// The program's two drawn windows, the main window and the About box: every
// control of the drawing in its place (twips converted at the screen's
// resolution), of its kind, with its caption and a name for screen readers,
// in the windows' font and colours, in a window of fixed size.
#include "ui_fixture.h"

#include "ui/about_box.h"

#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <optional>
#include <vector>

namespace varnel::ui::test {
namespace {

struct Drawn {
    const char* name;
    const char* kind;               // the class it is, or inherits
    const char* container;          // the frame it stands in, or "" for the client area
    std::optional<QString> caption; // none: nothing to check
    int left, top, width, height;   // twips
    qreal points;                   // the font's size; 0 for the grid, which keeps the system's font
};

// The main window's drawing, control by control.
const std::vector<Drawn> kMainForm = {
    {"TDBGrid1", "QTableView", "", std::nullopt, 240, 120, 6015, 3015, 0},
    {"Frame3", "QGroupBox", "", "NCOES Course", 360, 6240, 5775, 1335, 8.25},
    {"CSOptList1", "QGroupBox", "", "APFT Score", 360, 3360, 1455, 2775, 8.25},
    {"CSOptList2", "QGroupBox", "", "Weapons Qualification", 2040, 4920, 2535, 1215, 8.25},
    {"Command5", "QPushButton", "", "&Total", 4800, 5040, 1095, 375, 8.25},
    {"Command1", "QPushButton", "", "&Add", 480, 7920, 1095, 375, 8.25},
    {"Command2", "QPushButton", "", "&Delete", 1920, 7920, 1095, 375, 8.25},
    {"Command3", "QPushButton", "", "&Update", 3360, 7920, 1095, 375, 8.25},
    {"Command4", "QPushButton", "", "&Sort", 4800, 7920, 1095, 375, 8.25},
    {"Frame2", "QGroupBox", "", "Evaluations", 2040, 3360, 1695, 1455, 8.25},
    {"Frame1", "QGroupBox", "", "Awards", 3960, 3360, 2175, 1455, 8.25},
    {"Label4", "QLabel", "", std::nullopt, 5040, 5880, 615, 255, 8.25},
    {"TotalDate", "QLabel", "", std::nullopt, 4800, 5640, 1215, 255, 8.25},
    {"CSSpin1", "QAbstractSpinBox", "Frame2", std::nullopt, 600, 240, 975, 495, 8.25},
    {"CSSpin2", "QAbstractSpinBox", "Frame2", std::nullopt, 600, 840, 975, 495, 8.25},
    {"Label2", "QLabel", "Frame2", "SGT", 120, 360, 495, 255, 8.25},
    {"Label3", "QLabel", "Frame2", "1SG", 120, 960, 495, 255, 8.25},
    {"Check1", "QCheckBox", "Frame1", "", 480, 240, 255, 375, 8.25},
    {"Check5", "QCheckBox", "Frame1", "MSM", 720, 240, 1095, 375, 8.25},
    {"Check2", "QCheckBox", "Frame1", "", 240, 600, 255, 255, 8.25},
    {"Check7", "QCheckBox", "Frame1", "", 480, 600, 255, 255, 8.25},
    {"Check8", "QCheckBox", "Frame1", "ARCOM", 720, 600, 1215, 255, 8.25},
    {"Check3", "QCheckBox", "Frame1", "", 240, 840, 255, 255, 8.25},
    {"Check9", "QCheckBox", "Frame1", "", 480, 840, 255, 255, 8.25},
    {"Check10", "QCheckBox", "Frame1", "AAM", 720, 840, 735, 255, 8.25},
    {"Check4", "QCheckBox", "Frame1", "", 240, 1080, 255, 255, 8.25},
    {"Check6", "QCheckBox", "Frame1", "", 480, 1080, 255, 255, 8.25},
    {"Check11", "QCheckBox", "Frame1", "LTR/COM", 720, 1080, 1215, 255, 8.25},
    {"LastSchool", "QComboBox", "Frame3", std::nullopt, 720, 360, 1935, 315, 8.25},
    {"NextSchool", "QComboBox", "Frame3", std::nullopt, 3600, 360, 1935, 315, 8.25},
    {"PrefDates", "QLineEdit", "Frame3", std::nullopt, 1560, 840, 3975, 255, 8.25},
    {"Label1", "QLabel", "Frame3", "Last:", 120, 360, 495, 255, 8.25},
    {"Label5", "QLabel", "Frame3", "Next:", 2880, 360, 495, 255, 8.25},
    {"Label6", "QLabel", "Frame3", "Request Dates:", 120, 840, 1695, 255, 8.25},
};

// The About box's drawing: its controls are Qt's own classes, the
// pictures labels without text.
const std::vector<Drawn> kAboutBox = {
    {"Picture2", "QLabel", "", "", 240, 360, 855, 615, 8.25},
    {"Label1", "QLabel", "", "Varnel", 1200, 360, 2895, 375, 13.5},
    {"Label5", "QLabel", "", QStringLiteral("Version 1.02.0007 (%1-bit)").arg(QT_POINTER_SIZE * 8), 1200, 720, 3015, 255, 9.75},
    {"Picture1", "QLabel", "", "", 1680, 1200, 1935, 975, 8.25},
    {"Frame1", "QGroupBox", "", "Warning", 360, 2280, 3975, 1575, 8.25},
    {"Label4", "QLabel", "Frame1", AboutBox::legalNotice(), 240, 240, 3495, 1215, 8.25},
    {"Command1", "QPushButton", "", "OK", 1800, 4680, 1215, 375, 8.25},
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

TEST(WindowDrawing, EveryControlStandsWhereItIsDrawnInTheWindowsFontAndColours)
{
    const QColor window = QApplication::palette().color(QPalette::Base);
    const QColor windowText = QApplication::palette().color(QPalette::Text);
    ASSERT_NE(window, QApplication::palette().color(QPalette::Window))
        << "the test needs a style whose window colour differs from its button face";

    RosterFile roster;
    FormUnderTest ui(roster);
    AboutBox about;
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));

    const struct {
        QWidget* window;
        QWidget* client; // the drawn client area
        QSize twips;
        const char* objectName;
        const char* caption;
        const std::vector<Drawn>& drawing;
        bool exactKinds;
    } windows[] = {
        {ui.form.get(), ui.find("MainFormClient"), {6480, 8520}, "MainForm", "Varnel", kMainForm, false},
        {&about, &about, {4635, 5415}, "About", "About", kAboutBox, true},
    };
    for (const auto& w : windows) {
        SCOPED_TRACE(w.objectName);
        ASSERT_NE(w.client, nullptr);
        EXPECT_EQ(w.window->objectName(), w.objectName);
        EXPECT_EQ(w.window->windowTitle(), w.caption);
        EXPECT_FALSE(w.window->windowIcon().isNull());
        EXPECT_EQ(w.client->size(), drawnRect(*w.client, 0, 0, w.twips.width(), w.twips.height()).size());
        // A fixed size: the window cannot be made larger.
        EXPECT_EQ(w.window->minimumSize(), w.window->maximumSize());
        const QSize before = w.window->size();
        w.window->resize(before.width() + 200, before.height() + 200);
        QTest::qWait(10);
        EXPECT_EQ(w.window->size(), before);

        QWidget* grid = nullptr;
        for (const Drawn& drawn : w.drawing) {
            SCOPED_TRACE(drawn.name);
            auto* widget = w.window->findChild<QWidget*>(QLatin1String(drawn.name));
            ASSERT_NE(widget, nullptr);
            EXPECT_TRUE(widget->inherits(drawn.kind)) << widget->metaObject()->className();
            if (w.exactKinds) {
                EXPECT_STREQ(widget->metaObject()->className(), drawn.kind);
            }
            EXPECT_EQ(widget->parentWidget()->objectName(), *drawn.container ? drawn.container : w.client->objectName());
            EXPECT_EQ(widget->geometry(), drawnRect(*widget, drawn.left, drawn.top, drawn.width, drawn.height));
            if (drawn.caption) {
                EXPECT_EQ(captionOf(widget), *drawn.caption);
            }
            EXPECT_FALSE(widget->accessibleName().isEmpty());
            EXPECT_TRUE(widget->isVisible());
            if (drawn.points == 0) {
                grid = widget; // the system's own font and colours
                continue;
            }
            // The windows' font: "MS Sans Serif" bold, or the platform's
            // sans-serif in its place.
            EXPECT_DOUBLE_EQ(widget->font().pointSizeF(), drawn.points);
            EXPECT_TRUE(widget->font().bold());
            EXPECT_TRUE(QFontInfo(widget->font()).bold());
            EXPECT_EQ(widget->font().families().value(0), "MS Sans Serif");
            if (auto* button = qobject_cast<QPushButton*>(widget)) {
                EXPECT_FALSE(button->autoDefault() || button->isDefault());
                EXPECT_EQ(button->palette().color(QPalette::Button), window);
            }
        }

        // Drawn in the system's window colour with window text throughout,
        // not in the button face Qt gives windows.
        for (QWidget* widget : w.client->findChildren<QWidget*>()) {
            if (grid && (widget == grid || grid->isAncestorOf(widget)))
                continue;
            SCOPED_TRACE(widget->objectName().toStdString() + " " + widget->metaObject()->className());
            EXPECT_EQ(widget->palette().color(QPalette::Window), window);
            EXPECT_EQ(widget->palette().color(QPalette::WindowText), windowText);
        }
        // On screen: the background and every button's face.
        const QImage shot = w.client->grab().toImage();
        auto pixel = [&](QPoint p) { return QColor(shot.pixel((QPointF(p) * shot.devicePixelRatio()).toPoint())); };
        EXPECT_EQ(pixel(QPoint(3, 3)), window);
        for (QPushButton* button : w.client->findChildren<QPushButton*>()) {
            const QPoint face = button->mapTo(w.client, QPoint(5, button->height() / 2));
            EXPECT_EQ(pixel(face), window) << button->objectName().toStdString();
        }
    }

    // The main window's option lists offer their items in order.
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

} // namespace
} // namespace varnel::ui::test
