// The commands for the whole unit, beyond the written ones: Total All
// Soldiers and Find Soldier.
#include "ui/main_form.h"

#include "points/date_services.h"
#include "points/total_all.h"
#include "reports/dialog_progress.h"
#include "ui/find_box.h"
#include "ui/message_boxes.h"
#include "ui/roster_grid.h"

namespace varnel::ui {

void MainForm::totalAll()
{
    runCommand([this] {
        reports::DialogProgress progress(this);
        progress.begin(tr("Totalling every soldier..."), data1_.recordset().recordCount());
        points::TotalAllSummary summary;
        try {
            summary = points::totalAllSoldiers(data1_, *clock_, points::systemDateSeparator(),
                                               [&progress](int done, int) { return progress.step(done); });
        } catch (...) {
            progress.end();
            throw;
        }
        progress.end();
        Question report;
        report.caption = QStringLiteral("Varnel");
        report.text = summary.headline();
        report.details = summary.details();
        report.detailsExpandable = true;
        report.icon = summary.refused.isEmpty() ? QMessageBox::Information : QMessageBox::Warning;
        report.buttons = {tr("OK")};
        report.escapeButton = 0;
        boxes_->ask(report);
    });
}

void MainForm::findSoldier()
{
    grid_->finishEditing();
    if (!findBox_)
        findBox_ = new FindBox(data1_, handler_, this);
    findBox_->showFind();
}

} // namespace varnel::ui
