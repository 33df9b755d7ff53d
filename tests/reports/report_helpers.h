#pragma once

#include "reports/report_layout.h"
#include "reports/report_presenter.h"
#include "reports/report_renderer.h"

#include "support/roster_file.h"

#include <QTemporaryDir>

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

} // namespace varnel::reports::test
