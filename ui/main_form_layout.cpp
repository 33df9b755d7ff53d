// The window's controls as drawn: kinds, captions, places and sizes in
// twips, bindings, tab order, font and colours.
#include "ui/main_form.h"

#include "store/record_commands.h"
#include "store/record_layout.h"
#include "ui/bound_check_box.h"
#include "ui/bound_combo_box.h"
#include "ui/bound_label.h"
#include "ui/bound_line_edit.h"
#include "ui/bound_option_list.h"
#include "ui/bound_spin_box.h"
#include "ui/client_scroll_area.h"
#include "ui/flat_style.h"
#include "ui/roster_grid.h"
#include "ui/twips.h"
#include "ui/window_look.h"
#include "ui/window_policy.h"
#include "ui/wheel_guard.h"

#include <QApplication>
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


// A control's place in its container, in twips.
struct Place {
    int left, top, width, height;
};

// Gives `widget` its object name (the drawing's name for it), the name a
// screen reader says, and its place.
template <typename Widget>
Widget* drawn(Widget* widget, const char* objectName, const QString& accessibleName, Place place)
{
    widget->setObjectName(QString::fromLatin1(objectName));
    widget->setAccessibleName(accessibleName);
    widget->setGeometry(twipsRect(*widget, place.left, place.top, place.width, place.height));
    return widget;
}

QGroupBox* frame(QWidget* parent, const char* objectName, const QString& caption, Place place)
{
    return drawn(new QGroupBox(caption, parent), objectName, caption, place);
}

QLabel* caption(QWidget* parent, const char* objectName, const QString& text, Place place)
{
    return drawn(new QLabel(text, parent), objectName, text, place);
}

// No default or cancel button: Enter presses a button only while it has the
// focus, and Escape presses none.
QPushButton* button(QWidget* parent, const char* objectName, const QString& text, const QString& accessibleName,
                    Place place)
{
    auto* button = drawn(new QPushButton(text, parent), objectName, accessibleName, place);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

} // namespace

void MainForm::buildControls()
{
    QWidget* client = buildClientArea();
    // The client area's own controls in the drawing's order, which is the
    // order they are painted in, then what each frame holds.
    buildRosterGrid(client);
    QGroupBox* ncoesFrame = frame(client, "Frame3", tr("NCOES Course"), {360, 6240, 5775, 1335});
    buildOptionLists(client);
    buildButtons(client);
    QGroupBox* evaluationsFrame = frame(client, "Frame2", tr("Evaluations"), {2040, 3360, 1695, 1455});
    QGroupBox* awardsFrame = frame(client, "Frame1", tr("Awards"), {3960, 3360, 2175, 1455});
    buildTotalLabels(client);
    buildEvaluations(evaluationsFrame);
    buildAwards(awardsFrame);
    buildNcoesCourse(ncoesFrame);

    bindControls();
    connectButtons();
    giveControlsTheWindowLook(client);
    setTabOrder();
}

QWidget* MainForm::buildClientArea()
{
    // The client area at its drawn size, in a scroll area that shows it
    // whole wherever it fits and scrolls it on a screen too small for it.
    auto* scroll = new ClientScrollArea(this);
    scroll->setObjectName(QStringLiteral("MainFormScroll"));
    auto* client = new QWidget(scroll);
    client->setObjectName(QStringLiteral("MainFormClient"));
    client->setFont(windowFont());
    const QPalette palette = windowPalette(client->palette());
    client->setPalette(palette);
    client->setAutoFillBackground(true);
    // Drawn flat: check boxes and option buttons that stay visible in a dark
    // scheme, frames in the scheme's dark shade, buttons in the window text,
    // the grid's lines grey. Every control takes the style once it is made
    // (giveControlsTheWindowLook).
    auto* flat = new FlatStyle(
        {palette.color(QPalette::Dark), palette.color(QPalette::WindowText), 0.6, 0.3, QColor(0x80, 0x80, 0x80)});
    flat->setParent(this);
    client->setStyle(flat);
    client->setFixedSize(twipsToPixelsX(*client, kClientWidth), twipsToPixelsY(*client, kClientHeight));
    scroll->setWidget(client);
    scroll->viewport()->setAutoFillBackground(false);
    setCentralWidget(scroll);
    return client;
}

void MainForm::buildRosterGrid(QWidget* client)
{
    // The roster grid keeps the system's own colours: button face headings,
    // window-coloured cells, highlighted selection. Every colour is its own,
    // so none of the client's passes down to it or to its headings and scroll
    // bars. Its headings keep the system's font too; a row is never lower
    // than a heading in it.
    grid_ = drawn(new RosterGrid(binding_, handler_, client), "TDBGrid1", tr("Roster of soldiers: name, rank, PEBD and DOR"),
                  {240, 120, 6015, 3015});
    QPalette system = QApplication::palette(grid_);
    system.setResolveMask(~QPalette::ResolveMask(0));
    grid_->setPalette(system);
    for (QHeaderView* headings : {grid_->horizontalHeader(), grid_->verticalHeader()})
        headings->setFont(QApplication::font(headings));
    grid_->applyColumnWidths();
}

void MainForm::buildOptionLists(QWidget* client)
{
    apftScoreList_ = drawn(new BoundOptionList(tr("APFT Score"), store::column::APFT, client), "CSOptList1",
                           tr("APFT score band"), {360, 3360, 1455, 2775});
    apftScoreList_->setItems(store::kApftBands);
    weaponsList_ = drawn(new BoundOptionList(tr("Weapons Qualification"), store::column::Weapon, client), "CSOptList2",
                         tr("Weapons qualification"), {2040, 4920, 2535, 1215});
    weaponsList_->setItems(store::kWeaponQualifications);
}

void MainForm::buildButtons(QWidget* client)
{
    totalButton_ = button(client, "Command5", tr("&Total"), tr("Total: work out the points of this soldier"),
                          {4800, 5040, 1095, 375});
    addButton_ = button(client, "Command1", tr("&Add"), tr("Add an empty record"), {480, 7920, 1095, 375});
    deleteButton_ = button(client, "Command2", tr("&Delete"), tr("Delete this record"), {1920, 7920, 1095, 375});
    updateButton_ = button(client, "Command3", tr("&Update"), tr("Save this record"), {3360, 7920, 1095, 375});
    sortButton_ = button(client, "Command4", tr("&Sort"), tr("Sort the roster by name"), {4800, 7920, 1095, 375});
}

void MainForm::buildTotalLabels(QWidget* client)
{
    totalLabel_ = drawn(new BoundLabel(store::column::TOTAL, client), "Label4", tr("Point total"), {5040, 5880, 615, 255});
    totalDateLabel_ = drawn(new BoundLabel(store::column::TotalDate, client), "TotalDate", tr("Date of the point total"),
                            {4800, 5640, 1215, 255});
}

void MainForm::buildEvaluations(QGroupBox* evaluationsFrame)
{
    // The upper box, labelled SGT, edits SSGTPoints; the lower, labelled
    // 1SG, edits 1SGTPoints.
    sgtEvaluationSpin_ = drawn(new BoundSpinBox(store::column::SergeantPoints, evaluationsFrame), "CSSpin1",
                               tr("SGT evaluation points"), {600, 240, 975, 495});
    firstSgtEvaluationSpin_ = drawn(new BoundSpinBox(store::column::FirstSergeantPoints, evaluationsFrame), "CSSpin2",
                                    tr("1SG evaluation points"), {600, 840, 975, 495});
    caption(evaluationsFrame, "Label2", tr("SGT"), {120, 360, 495, 255});
    caption(evaluationsFrame, "Label3", tr("1SG"), {120, 960, 495, 255});
}

void MainForm::buildAwards(QGroupBox* awardsFrame)
{
    // One row per kind, one box per award held; only the right-most box of a
    // row carries the award's name. The MSM row has no first box.
    struct AwardBox {
        const char* name;
        const char* field;
        QString caption;
        QString accessible;
        Place place;
    };
    const AwardBox awards[] = {
        {"Check1", "MSM", QString(), tr("MSM, first award"), {480, 240, 255, 375}},
        {"Check5", "MSM2", tr("MSM"), tr("MSM, second award"), {720, 240, 1095, 375}},
        {"Check2", "ARCOM", QString(), tr("ARCOM, first award"), {240, 600, 255, 255}},
        {"Check7", "ARCOM2", QString(), tr("ARCOM, second award"), {480, 600, 255, 255}},
        {"Check8", "ARCOM3", tr("ARCOM"), tr("ARCOM, third award"), {720, 600, 1215, 255}},
        {"Check3", "AAM", QString(), tr("AAM, first award"), {240, 840, 255, 255}},
        {"Check9", "AAM2", QString(), tr("AAM, second award"), {480, 840, 255, 255}},
        {"Check10", "AAM3", tr("AAM"), tr("AAM, third award"), {720, 840, 735, 255}},
        {"Check4", "LTR/COM", QString(), tr("LTR/COM, first award"), {240, 1080, 255, 255}},
        {"Check6", "LTR/COM2", QString(), tr("LTR/COM, second award"), {480, 1080, 255, 255}},
        {"Check11", "LTR/COM3", tr("LTR/COM"), tr("LTR/COM, third award"), {720, 1080, 1215, 255}},
    };
    for (const AwardBox& award : awards)
        awardBoxes_.append(drawn(new BoundCheckBox(award.caption, QString::fromLatin1(award.field), awardsFrame), award.name,
                                 award.accessible, award.place));
}

void MainForm::buildNcoesCourse(QGroupBox* ncoesFrame)
{
    lastSchoolCombo_ = drawn(new BoundComboBox(store::column::LastSchool, ncoesFrame), "LastSchool", tr("Last NCOES school"),
                             {720, 360, 1935, 315});
    nextSchoolCombo_ = drawn(new BoundComboBox(store::column::NextSchool, ncoesFrame), "NextSchool", tr("Next NCOES school"),
                             {3600, 360, 1935, 315});
    requestDatesEdit_ = drawn(new BoundLineEdit(store::column::PrefDates, ncoesFrame), "PrefDates",
                              tr("Requested school dates"), {1560, 840, 3975, 255});
    caption(ncoesFrame, "Label1", tr("Last:"), {120, 360, 495, 255});
    caption(ncoesFrame, "Label5", tr("Next:"), {2880, 360, 495, 255});
    caption(ncoesFrame, "Label6", tr("Request Dates:"), {120, 840, 1695, 255});
}

void MainForm::bindControls()
{
    // Every control bound to the one binding, which shows its current record.
    for (BindingLink* link : std::initializer_list<BindingLink*>{apftScoreList_, weaponsList_, sgtEvaluationSpin_,
                                                                  firstSgtEvaluationSpin_, lastSchoolCombo_, nextSchoolCombo_,
                                                                  requestDatesEdit_, totalLabel_, totalDateLabel_})
        link->bind(binding_, handler_);
    for (BoundCheckBox* box : awardBoxes_)
        box->bind(binding_, handler_);
}

void MainForm::connectButtons()
{
    connect(totalButton_, &QPushButton::clicked, this, [this] { total(); });
    connect(addButton_, &QPushButton::clicked, this, [this] { runCommand([this] { store::addRecord(binding_); }); });
    connect(deleteButton_, &QPushButton::clicked, this, [this] { runCommand([this] { store::deleteRecord(binding_); }); });
    connect(updateButton_, &QPushButton::clicked, this, [this] { runCommand([this] { store::updateRecord(binding_); }); });
    connect(sortButton_, &QPushButton::clicked, this, [this] { runCommand([this] { sortRoster(binding_, *this); }); });
}

void MainForm::giveControlsTheWindowLook(QWidget* client)
{
    // The wheel changes a value only in the control that has the focus.
    auto* wheel = new WheelGuard(qobject_cast<QAbstractScrollArea*>(centralWidget()), this);
    for (QWidget* control : QList<QWidget*>{apftScoreList_, weaponsList_, sgtEvaluationSpin_, firstSgtEvaluationSpin_,
                                            lastSchoolCombo_, nextSchoolCombo_})
        wheel->guard(control);

    // Every control, the grid and what it holds included, is drawn flat; a
    // style does not pass down to a widget's children.
    if (auto* flat = qobject_cast<FlatStyle*>(client->style()))
        flat->drawTree(client);
    // Every control takes the window's font and colours itself. The grid's
    // cells use the regular weight, so the dates fit their columns.
    const QFont font = client->font();
    const QPalette palette = client->palette();
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
}

void MainForm::setTabOrder()
{
    // Roster grid, fitness-test list, SGT and 1SG, the awards row by row,
    // weapons list, Total, Last, Next, Request Dates, Add, Delete, Update,
    // Sort. Frames and labels take no focus. An option list is one stop:
    // its items follow one another.
    QList<QWidget*> chain{grid_};
    for (int item = 0; item < apftScoreList_->count(); ++item)
        chain.append(apftScoreList_->button(item));
    chain << sgtEvaluationSpin_ << firstSgtEvaluationSpin_;
    for (BoundCheckBox* box : awardBoxes_)
        chain.append(box);
    for (int item = 0; item < weaponsList_->count(); ++item)
        chain.append(weaponsList_->button(item));
    chain << totalButton_ << lastSchoolCombo_ << nextSchoolCombo_ << requestDatesEdit_ << addButton_ << deleteButton_
          << updateButton_ << sortButton_;
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain.at(i - 1), chain.at(i));
}

} // namespace varnel::ui
