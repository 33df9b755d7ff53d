// The window's controls as drawn: kinds, captions, places and sizes in
// twips, bindings, tab order, font and colours.
#include "ui/main_form.h"

#include "store/record_layout.h"
#include "ui/bound_check_box.h"
#include "ui/bound_combo_box.h"
#include "ui/bound_label.h"
#include "ui/bound_line_edit.h"
#include "ui/bound_option_list.h"
#include "ui/bound_spin_box.h"
#include "ui/client_scroll_area.h"
#include "ui/flat_style.h"
#include "ui/message_boxes.h"
#include "ui/roster_grid.h"
#include "ui/roster_grid_model.h"
#include "ui/twips.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace varnel::ui {

namespace {

// The client area, 6480 by 8520 twips.
constexpr int kClientWidth = 6480;
constexpr int kClientHeight = 8520;

const QString kApftItems = QStringLiteral(
    "A;300+\r\nB;290-299\r\nC;280-289\r\nD;270-279\r\nE;260-269\r\n"
    "F;250-259\r\nG;240-249\r\nH;220-239\r\nI;200-219\r\nJ;180-199");
const QString kWeaponItems = QStringLiteral("E;Expert\r\nS;Sharpshooter\r\nM;Marksman");

void place(QWidget* widget, int left, int top, int width, int height)
{
    widget->setGeometry(twipsRect(*widget, left, top, width, height));
}

template <typename Widget>
Widget* named(Widget* widget, const char* objectName, const QString& accessibleName)
{
    widget->setObjectName(QString::fromLatin1(objectName));
    widget->setAccessibleName(accessibleName);
    return widget;
}

// "MS Sans Serif" 8.25 point bold; where it is missing, the platform's
// sans-serif at the same size and weight.
QFont windowFont()
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSizeF(8.25);
    font.setBold(true);
    if (QFontInfo(font).family() != QLatin1String("MS Sans Serif")) {
        QFont fallback = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        fallback.setStyleHint(QFont::SansSerif);
        fallback.setPointSizeF(8.25);
        fallback.setBold(true);
        return fallback;
    }
    return font;
}

// The window is drawn in the system's window colour (white in the standard
// scheme), buttons included, with window text; frames and buttons are flat,
// a single line. The frames' line (%1) is the scheme's dark shade where it
// shows, else one that does (visibleLine); it is written out because a
// style sheet's palette() takes the application's colours, not the
// window's.
const char* const kFlatStyle = R"(
QGroupBox { border: 1px solid %1; margin-top: 0.6em; padding-top: 0.3em; }
QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 6px; padding: 0 2px; }
QPushButton { border: 1px solid palette(window-text); background: palette(base); padding: 0 4px; }
QPushButton:focus { border: 2px solid palette(window-text); }
QPushButton:pressed { background: palette(midlight); }
)";

} // namespace

void MainForm::buildControls()
{
    // The client area at its drawn size, in a scroll area that shows it
    // whole wherever it fits and scrolls it on a screen too small for it.
    auto* scroll = new ClientScrollArea(this);
    scroll->setObjectName(QStringLiteral("MainFormScroll"));
    auto* client = new QWidget(scroll);
    client->setObjectName(QStringLiteral("MainFormClient"));
    client->setFont(windowFont());
    QPalette palette = client->palette();
    const QColor window = palette.color(QPalette::Base);
    const QColor windowText = palette.color(QPalette::Text);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::Button, window);
    palette.setColor(QPalette::WindowText, windowText);
    palette.setColor(QPalette::ButtonText, windowText);
    const QColor frameLine = visibleLine(palette.color(QPalette::Dark), window, windowText);
    palette.setColor(QPalette::Dark, frameLine);
    client->setPalette(palette);
    client->setAutoFillBackground(true);
    // Flat check boxes and option buttons that stay visible in a dark
    // scheme; set before the style sheet, which draws over it.
    auto* flat = new FlatStyle;
    flat->setParent(this);
    client->setStyle(flat);
    client->setStyleSheet(QString::fromLatin1(kFlatStyle).arg(frameLine.name()));
    client->setFixedSize(twipsToPixelsX(*client, kClientWidth), twipsToPixelsY(*client, kClientHeight));
    scroll->setWidget(client);
    scroll->viewport()->setAutoFillBackground(false);
    setCentralWidget(scroll);

    // The roster grid keeps the system's own colours: button face headings,
    // window-coloured cells, highlighted selection.
    grid_ = named(new RosterGrid(data1_, handler_, client), "TDBGrid1", tr("Roster of soldiers: name, rank, PEBD and DOR"));
    grid_->setPalette(QApplication::palette(grid_));
    grid_->setStyleSheet(QStringLiteral("QTableView { gridline-color: #808080; }"));
    place(grid_, 240, 120, 6015, 3015);
    grid_->applyColumnWidths();

    auto* frame3 = named(new QGroupBox(tr("NCOES Course"), client), "Frame3", tr("NCOES Course"));
    place(frame3, 360, 6240, 5775, 1335);

    apft_ = named(new BoundOptionList(tr("APFT Score"), store::column::APFT, client), "CSOptList1", tr("APFT score band"));
    apft_->setItems(kApftItems);
    place(apft_, 360, 3360, 1455, 2775);

    weapon_ = named(new BoundOptionList(tr("Weapons Qualification"), store::column::Weapon, client), "CSOptList2",
                    tr("Weapons qualification"));
    weapon_->setItems(kWeaponItems);
    place(weapon_, 2040, 4920, 2535, 1215);

    totalButton_ = named(new QPushButton(tr("&Total"), client), "Command5", tr("Total: work out the points of this soldier"));
    place(totalButton_, 4800, 5040, 1095, 375);

    struct CommandButton { const char* name; QString caption; QString accessible; int left; };
    const CommandButton buttons[] = {
        {"Command1", tr("&Add"), tr("Add an empty record"), 480},
        {"Command2", tr("&Delete"), tr("Delete this record"), 1920},
        {"Command3", tr("&Update"), tr("Save this record"), 3360},
        {"Command4", tr("&Sort"), tr("Sort the roster by name"), 4800},
    };
    for (const CommandButton& drawn : buttons) {
        auto* button = named(new QPushButton(drawn.caption, client), drawn.name, drawn.accessible);
        place(button, drawn.left, 7920, 1095, 375);
        recordButtons_.append(button);
    }

    auto* frame2 = named(new QGroupBox(tr("Evaluations"), client), "Frame2", tr("Evaluations"));
    place(frame2, 2040, 3360, 1695, 1455);
    auto* frame1 = named(new QGroupBox(tr("Awards"), client), "Frame1", tr("Awards"));
    place(frame1, 3960, 3360, 2175, 1455);

    total_ = named(new BoundLabel(store::column::TOTAL, client), "Label4", tr("Point total"));
    place(total_, 5040, 5880, 615, 255);
    totalDate_ = named(new BoundLabel(store::column::TotalDate, client), "TotalDate", tr("Date of the point total"));
    place(totalDate_, 4800, 5640, 1215, 255);

    // Evaluations: the upper box, labelled SGT, edits SSGTPoints; the lower,
    // labelled 1SG, edits 1SGTPoints.
    sergeantPoints_ = named(new BoundSpinBox(store::column::SergeantPoints, frame2), "CSSpin1", tr("SGT evaluation points"));
    place(sergeantPoints_, 600, 240, 975, 495);
    firstSergeantPoints_ = named(new BoundSpinBox(store::column::FirstSergeantPoints, frame2), "CSSpin2",
                                 tr("1SG evaluation points"));
    place(firstSergeantPoints_, 600, 840, 975, 495);
    auto* label2 = named(new QLabel(tr("SGT"), frame2), "Label2", tr("SGT"));
    place(label2, 120, 360, 495, 255);
    auto* label3 = named(new QLabel(tr("1SG"), frame2), "Label3", tr("1SG"));
    place(label3, 120, 960, 495, 255);

    // Awards: one row per kind, one box per award held; only the right-most
    // box of a row carries the award's name. The MSM row has no first box.
    struct AwardBox { const char* name; const char* field; QString caption; QString accessible; int left, top, width, height; };
    const AwardBox awards[] = {
        {"Check1", "MSM", QString(), tr("MSM, first award"), 480, 240, 255, 375},
        {"Check5", "MSM2", tr("MSM"), tr("MSM, second award"), 720, 240, 1095, 375},
        {"Check2", "ARCOM", QString(), tr("ARCOM, first award"), 240, 600, 255, 255},
        {"Check7", "ARCOM2", QString(), tr("ARCOM, second award"), 480, 600, 255, 255},
        {"Check8", "ARCOM3", tr("ARCOM"), tr("ARCOM, third award"), 720, 600, 1215, 255},
        {"Check3", "AAM", QString(), tr("AAM, first award"), 240, 840, 255, 255},
        {"Check9", "AAM2", QString(), tr("AAM, second award"), 480, 840, 255, 255},
        {"Check10", "AAM3", tr("AAM"), tr("AAM, third award"), 720, 840, 735, 255},
        {"Check4", "LTR/COM", QString(), tr("LTR/COM, first award"), 240, 1080, 255, 255},
        {"Check6", "LTR/COM2", QString(), tr("LTR/COM, second award"), 480, 1080, 255, 255},
        {"Check11", "LTR/COM3", tr("LTR/COM"), tr("LTR/COM, third award"), 720, 1080, 1215, 255},
    };
    for (const AwardBox& drawn : awards) {
        auto* box = named(new BoundCheckBox(drawn.caption, QString::fromLatin1(drawn.field), frame1), drawn.name, drawn.accessible);
        place(box, drawn.left, drawn.top, drawn.width, drawn.height);
        awards_.append(box);
    }

    // NCOES Course.
    lastSchool_ = named(new BoundComboBox(store::column::LastSchool, frame3), "LastSchool", tr("Last NCOES school"));
    place(lastSchool_, 720, 360, 1935, 315);
    nextSchool_ = named(new BoundComboBox(store::column::NextSchool, frame3), "NextSchool", tr("Next NCOES school"));
    place(nextSchool_, 3600, 360, 1935, 315);
    prefDates_ = named(new BoundLineEdit(store::column::PrefDates, frame3), "PrefDates", tr("Requested school dates"));
    place(prefDates_, 1560, 840, 3975, 255);
    auto* label1 = named(new QLabel(tr("Last:"), frame3), "Label1", tr("Last:"));
    place(label1, 120, 360, 495, 255);
    auto* label5 = named(new QLabel(tr("Next:"), frame3), "Label5", tr("Next:"));
    place(label5, 2880, 360, 495, 255);
    auto* label6 = named(new QLabel(tr("Request Dates:"), frame3), "Label6", tr("Request Dates:"));
    place(label6, 120, 840, 1695, 255);

    // No default or cancel button: Enter presses a button only while it
    // has the focus, and Escape presses none.
    for (QPushButton* button : client->findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    // Every control bound to the one binding, which shows its current record.
    for (BindingLink* link : std::initializer_list<BindingLink*>{apft_, weapon_, sergeantPoints_, firstSergeantPoints_,
                                                                  lastSchool_, nextSchool_, prefDates_, total_, totalDate_})
        link->bind(data1_, handler_);
    for (BoundCheckBox* box : awards_)
        box->bind(data1_, handler_);

    connect(totalButton_, &QPushButton::clicked, this, [this] { total(); });
    connect(recordButtons_[0], &QPushButton::clicked, this, [this] { runCommand([this] { store::addRecord(data1_); }); });
    connect(recordButtons_[1], &QPushButton::clicked, this, [this] { runCommand([this] { store::deleteRecord(data1_); }); });
    connect(recordButtons_[2], &QPushButton::clicked, this, [this] { runCommand([this] { store::updateRecord(data1_); }); });
    connect(recordButtons_[3], &QPushButton::clicked, this, [this] { runCommand([this] { store::sortRoster(data1_, *this); }); });

    // Style sheets stop fonts and colours from passing down to the
    // controls: give every control the window's font and colours itself.
    // The grid's cells use the regular weight, so the dates fit their
    // columns.
    const QFont font = client->font();
    for (QWidget* widget : client->findChildren<QWidget*>()) {
        if (widget != grid_ && !grid_->isAncestorOf(widget)) {
            widget->setFont(font);
            widget->setPalette(palette);
        }
    }
    QFont gridFont = font;
    gridFont.setBold(false);
    grid_->setFont(gridFont);
    grid_->verticalHeader()->setDefaultSectionSize(QFontMetrics(gridFont).height() + 4);

    setTabOrder();
}

void MainForm::setTabOrder()
{
    // Roster grid, fitness-test list, SGT and 1SG, the awards row by row,
    // weapons list, Total, Last, Next, Request Dates, Add, Delete, Update,
    // Sort. Frames and labels take no focus. An option list is one stop:
    // its items follow one another.
    QList<QWidget*> chain{grid_};
    for (int item = 0; item < apft_->count(); ++item)
        chain.append(apft_->button(item));
    chain << sergeantPoints_ << firstSergeantPoints_;
    for (BoundCheckBox* box : awards_)
        chain.append(box);
    for (int item = 0; item < weapon_->count(); ++item)
        chain.append(weapon_->button(item));
    chain << totalButton_ << lastSchool_ << nextSchool_ << prefDates_;
    chain.append(QList<QWidget*>(recordButtons_.begin(), recordButtons_.end()));
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain.at(i - 1), chain.at(i));
}

} // namespace varnel::ui
