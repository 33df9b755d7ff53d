#pragma once

#include "reports/report_layout.h"
#include "reports/report_presenter.h"
#include "reports/report_progress.h"
#include "reports/report_renderer.h"

#include "support/roster_file.h"

#include <QTemporaryDir>
#include <new>

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

// Counts the steps and ends it is told of; asks to stop at step `stopAfter`.
class StoppingProgress : public ReportProgress {
public:
    explicit StoppingProgress(int stopAfter) : stopAfter_(stopAfter) {}
    int steps = 0;
    int ends = 0;
    void begin(const QString&, int) override {}
    bool step(int) override { return ++steps < stopAfter_; }
    void end() override { ++ends; }

private:
    int stopAfter_;
};

// Throws std::bad_alloc at the steps of the stage whose text begins with
// `stage` while `armed`, as a progress window that runs out of memory would.
class ThrowingProgress : public ReportProgress {
public:
    explicit ThrowingProgress(QString stage, bool armedAtStart = true) : armed(armedAtStart), stage_(std::move(stage)) {}
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

// What a file of the clerk's holds, to see that it stays as it was.
inline const QByteArray kKeep = "a file the clerk keeps";

// A roster, a layout and a file of the clerk's, with links to them, a
// folder and a pipe: the places a report's PDF must not or cannot go.
struct OutputFolder {
    QTemporaryDir dir;
    QString roster = dir.filePath("Varnel_DATA.MDB");
    QString layout;
    QString other = dir.filePath("other.pdf");
    QByteArray rosterBytes, layoutBytes;

    OutputFolder();
    QStringList entries() const;
    void expectInputsUnchanged() const;
};

bool isPdf(const QString& path);

// Runs for ever without giving a row: only the progress handler sees it.
inline const QByteArray kEndlessCount =
    "WITH RECURSIVE r(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM r) SELECT count(*) AS \\\"Name\\\" FROM r";

// A list layout of one column, Name, over `query` (JSON-escaped), with
// `extra` keys appended.
QByteArray listLayoutOver(const QByteArray& query, const QByteArray& extra = {});

// A folder with a roster of `soldiers` and one layout; the engine writes
// its PDF beside them.
struct LayoutFolder {
    QTemporaryDir dir;
    QString roster = dir.filePath("Varnel_DATA.MDB");
    QString layout = dir.filePath("bounded.rpt");
    QString pdf = dir.filePath("bounded.pdf");
    QByteArray rosterBytes;
    QStringList entries;

    explicit LayoutFolder(const QByteArray& layoutText, const QList<QVariantMap>& soldiers = sampleSoldiers());
    // The roster as it was, no PDF and no journal beside it, and no
    // report connection left open.
    void expectLeftAsFound() const;
};

} // namespace varnel::reports::test
