// The commands beyond the written ones: Total All Soldiers, Find Soldier,
// Export, the worksheet of one soldier, and the total's breakdown.
#include "ui/main_form.h"

#include "common/failure.h"
#include "common/server_connection.h"
#include "points/date_services.h"
#include "points/scoring_rules.h"
#include "points/total_all.h"
#include "reports/report_commands.h"
#include "reports/report_failures.h"
#include "store/record_layout.h"
#include "store/roster_export.h"
#include "ui/bound_label.h"
#include "ui/dialog_progress.h"
#include "ui/find_box.h"
#include "ui/message_boxes.h"
#include "ui/product.h"
#include "ui/roster_grid.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <algorithm>
#include <cmath>

namespace varnel::ui {

void MainForm::totalAll()
{
    runCommand([this] {
        const int soldiers = binding_.recordset().recordCount();
        Question ask;
        ask.caption = kCaption;
        ask.text = tr("Work out and store the points of all %1 soldiers of the roster?").arg(QLocale().toString(soldiers));
        ask.details = tr("Each soldier is totalled as Total does it, as of today. File > Undo takes the whole of it back.");
        ask.buttons = {tr("&Total"), tr("Cancel")};
        ask.escapeButton = 1;
        if (boxes_->ask(ask) != 0)
            return;
        DialogProgress progress(this);
        progress.begin(tr("Totalling every soldier..."), binding_.recordset().recordCount());
        points::TotalAllSummary summary;
        try {
            summary = points::totalAllSoldiers(binding_, *clock_, points::systemDateSeparator(),
                                               [&progress](int done, int) { return progress.step(done); });
        } catch (...) {
            progress.end();
            throw;
        }
        progress.end();
        Question report;
        report.caption = kCaption;
        report.text = summary.headline();
        report.details = summary.details();
        report.detailsExpandable = true;
        report.icon = summary.refused.isEmpty() ? QMessageBox::Information : QMessageBox::Warning;
        report.buttons = {tr("OK")};
        report.escapeButton = 0;
        boxes_->ask(report);
    });
}

void MainForm::exportCsv()
{
    runCommand([this] {
        Question kind;
        kind.caption = kCaption;
        kind.text = tr("Export the whole roster, or the merit list, as a CSV file for a spreadsheet?");
        kind.buttons = {tr("&Roster"), tr("&Merit List"), tr("Cancel")};
        kind.escapeButton = 2;
        const int answer = boxes_->ask(kind);
        if (answer != 0 && answer != 1)
            return;
        const bool merit = answer == 1;
        const QString folder = rosterOnServer() ? QDir::currentPath() : QFileInfo(binding_.databaseName()).absolutePath();
        const QString path = chooseSaveFile_(merit ? tr("Export the merit list") : tr("Export the roster"),
                                             folder + (merit ? QStringLiteral("/merit-list.csv") : QStringLiteral("/roster.csv")));
        if (path.isEmpty())
            return;
        bool replace = false;
        if (QFileInfo::exists(path)) {
            Question again;
            again.caption = kCaption;
            again.text = tr("The file \"%1\" already exists. Replace it?").arg(QDir::toNativeSeparators(path));
            again.icon = QMessageBox::Warning;
            again.buttons = {tr("&Replace"), tr("Cancel")};
            again.escapeButton = 1;
            if (boxes_->ask(again) != 0)
                return;
            replace = true;
        }
        store::exportCsv(binding_, merit ? store::ExportKind::MeritList : store::ExportKind::Roster, path, replace);
    });
}

void MainForm::printThisWorksheet()
{
    runCommand([this] {
        chooseReportSource();
        // The worksheet shows what is stored: the clerk's entries go first.
        store::Recordset& rs = binding_.recordset();
        rs.edit();
        rs.update();
        reports::printWorksheetFor(*reportControl_, rs.currentKey());
    });
}

bool MainForm::rosterOnServer() const
{
    return binding_.location().isServer();
}

// The layouts read the roster file of the current folder: with the roster
// on a server they read it through the report address, and without one they
// would print another roster than the one open.
void MainForm::chooseReportSource()
{
    if (!rosterOnServer()) {
        if (reportSourceSet_) {
            reportControl_->setDataSource(QString());
            reportSourceSet_ = false;
        }
        return;
    }
    if (reportDatabase_.isEmpty())
        throw Failure(reports::failure::RosterOnServer,
                      tr("This roster is on the server %1, and the reports read it only through a role that may read "
                         "it and nothing more, which was not given. Start %2 with --report-database and that role's "
                         "address beside --database, or copy the roster to a file first:\n\n    varnel-roster copy "
                         "\"%1\" FILE\n\nand start %2 in that file's folder.")
                          .arg(binding_.databaseName(), kProductName));
    reportControl_->setDataSource(reportDatabase_);
    reportSourceSet_ = true;
}

void MainForm::printReport(const std::function<void()>& print)
{
    handler_.run([&] {
        chooseReportSource();
        print();
    });
}

namespace {

// One figure of the total: its name, value and the most it can give (0:
// no set most).
struct PointsPart {
    QString what;
    store::Value value;
    int most;
};

// The figures as bars on one scale, as the worksheet draws them: filled for
// the points, framed as long as the most the figure can give; the largest
// most or value fills the room.
QString pointsBars(const QList<PointsPart>& parts)
{
    constexpr double kRoom = 160;
    const auto pointsOf = [](const store::Value& v) {
        bool ok = false;
        const double number = v.displayText().toDouble(&ok);
        return ok && std::isfinite(number) ? std::max(0.0, number) : 0.0;
    };
    double scale = 0;
    for (const PointsPart& p : parts)
        scale = std::max({scale, double(p.most), pointsOf(p.value)});
    scale = scale > 0 ? scale : 1;
    QString html = QStringLiteral("<table cellspacing='2' cellpadding='0'>");
    for (const PointsPart& p : parts) {
        const int fill = int(std::lround(kRoom * pointsOf(p.value) / scale));
        const int frame = p.most > 0 ? int(std::lround(kRoom * p.most / scale)) : fill;
        QString bar = QStringLiteral("<table cellspacing='0' cellpadding='0' border='%1' style='border-style:solid'><tr>")
                          .arg(p.most > 0 ? 1 : 0);
        if (fill > 0)
            bar += QStringLiteral("<td width='%1' bgcolor='#5a5a5a'>&nbsp;</td>").arg(fill);
        if (frame > fill)
            bar += QStringLiteral("<td width='%1'>&nbsp;</td>").arg(frame - fill);
        bar += QStringLiteral("</tr></table>");
        const QString shown = p.value.hasValue() ? p.value.displayText() : QObject::tr("blank");
        html += QStringLiteral("<tr><td>%1&nbsp;</td><td>%2</td><td align='right'>&nbsp;%3</td></tr>")
                    .arg(p.what.toHtmlEscaped(), bar,
                         p.most > 0 ? QObject::tr("%1 of %2").arg(shown.toHtmlEscaped()).arg(p.most) : shown.toHtmlEscaped());
    }
    return html + QStringLiteral("</table>");
}

} // namespace

void MainForm::showPointsBreakdown()
{
    QString tip;
    if (binding_.isOpen() && binding_.recordset().hasCurrent()) {
        const store::Recordset& rs = binding_.recordset();
        auto stored = [&](int ordinal) { return rs.storedValue(rs.position(), ordinal); };
        const store::Value total = stored(store::ordinal::TOTAL);
        const int stamp = rs.layout().indexOf(store::column::TotalDate);
        const QString on = stamp >= 0 ? stored(stamp).displayText() : QString();
        if (total.hasValue() || !on.isEmpty()) {
            namespace o = store::ordinal;
            const int mostApft = points::ScoreAPFT(store::Value::text(QStringLiteral("A"))).points;
            const int mostWeapon = points::ScoreWeapon(store::Value::text(QStringLiteral("E"))).points;
            const QList<PointsPart> parts{
                {tr("TIS"), stored(o::TISPoints), points::kServiceMonthsCap},
                {tr("TIG"), stored(o::TIGPoints), points::kServiceMonthsCap},
                {tr("APFT"), stored(o::APFTPoints), mostApft},
                {tr("weapon"), stored(o::WeaponPoints), mostWeapon},
                {tr("awards"), stored(o::AwardPoints), points::kAwardPointsCap},
                {store::columnLabel(rs.layout().at(o::FirstEvaluation).name), stored(o::FirstEvaluation), 0},
                {store::columnLabel(rs.layout().at(o::SecondEvaluation).name), stored(o::SecondEvaluation), 0}};
            QStringList terms;
            for (const PointsPart& p : parts)
                terms << QStringLiteral("%1 %2").arg(p.what, p.value.hasValue() ? p.value.displayText() : tr("blank"));
            QString sum = terms.join(QStringLiteral(" + ")) + QStringLiteral(" = ")
                + (total.hasValue() ? total.displayText() : tr("no total (an evaluation score is blank)"));
            if (!on.isEmpty())
                sum += u'\n' + tr("Worked out on %1.").arg(on);
            tip = QStringLiteral("<p style='white-space:pre'>%1</p>").arg(sum.toHtmlEscaped()) + pointsBars(parts);
        } else {
            tip = tr("Not totalled yet: press Total.");
        }
    }
    totalLabel_->setToolTip(tip);
}

void MainForm::findSoldier()
{
    grid_->finishEditing();
    if (!findBox_)
        findBox_ = new FindBox(binding_, handler_, this);
    findBox_->showFind();
}

} // namespace varnel::ui
