#pragma once

#include "reports/report_layout.h"
#include "reports/report_presenter.h"
#include "reports/report_progress.h"
#include "reports/report_renderer.h"

#include "support/roster_file.h"

#include <QTemporaryDir>
#include <functional>
#include <new>

class QPrintPreviewDialog;

namespace varnel::reports::test {

using namespace varnel::test;

// Seven soldiers with known values: totalled, tied, never totalled, every
// school group, dates in both encodings, awards stored as 1 and -1.
QList<QVariantMap> sampleSoldiers();
// Writes the sample soldiers to Varnel_DATA.MDB in `dir`.
void writeSampleRoster(const QTemporaryDir& dir);

// Copies the shipped layout `name` (e.g. "varnel_list.rpt") into `dir`;
// returns the copy's path.
QString copyShippedLayout(const QString& name, const QString& dir);

// The text of a PDF file as `pdftotext -layout` gives it: one report row per
// line. Fails the current test when pdftotext cannot be run.
QString pdfText(const QString& pdfPath);
QStringList pdfLines(const QString& pdfPath);
// The pages of pdfText, split at form feeds.
QStringList pdfPages(const QString& pdfPath);

// Index of the first line at or after `from` that matches the cells in
// order, separated by blanks (e.g. {"1", "Diaz, Luis", "SSG"}); -1 if none.
int findRow(const QStringList& lines, const QStringList& cells, int from = 0);

// Keeps the title of each report it is given, in order.
class RecordingPresenter : public ReportPresenter {
public:
    explicit RecordingPresenter(QStringList& titles) : titles_(titles) {}
    void present(const ReportRenderer& report, ReportProgress&) override { titles_ << report.layout().title; }

private:
    QStringList& titles_;
};

// Throws std::bad_alloc at the steps of the stage whose text begins with
// `stage` while `armed`, as a progress window that runs out of memory would.
class ThrowingProgress : public ReportProgress {
public:
    explicit ThrowingProgress(QString stage, bool armed = true) : armed(armed), stage_(std::move(stage)) {}
    bool armed;
    void begin(const QString& what, int) override { inStage_ = what.startsWith(stage_); }
    bool step(int) override
    {
        if (armed && inStage_)
            throw std::bad_alloc();
        return true;
    }
    void end() override {}

private:
    QString stage_;
    bool inStage_ = false;
};

// Runs `inPreview` on the modal print preview once it is up, then closes it.
void whilePreviewIsUp(const std::function<void(QPrintPreviewDialog&)>& inPreview);

} // namespace varnel::reports::test
