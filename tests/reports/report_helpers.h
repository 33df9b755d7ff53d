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

// Seven soldiers: totalled, tied, never totalled, every school group, dates
// in both encodings, awards stored as 1 and -1.
QList<QVariantMap> sampleSoldiers();
QString copyShippedLayout(const QString& name, const QString& dir);

// A PDF's text as `pdftotext -layout` gives it (a report row a line), or its pages.
QString pdfText(const QString& pdfPath);
QStringList pdfPages(const QString& pdfPath);
// The first line at or after `from` holding the cells in order, separated by blanks; -1 if none.
int findRow(const QStringList& lines, const QStringList& cells, int from = 0);

class StoppingProgress : public ReportProgress {
public:
    explicit StoppingProgress(int stopAfter) : stopAfter_(stopAfter) {}
    void begin(const QString&, int) override {}
    bool step(int) override { return ++steps_ < stopAfter_; }
    void end() override {}

private:
    int steps_ = 0, stopAfter_;
};

// Throws std::bad_alloc at the steps of the stage whose text begins with
// `stage` while `armed`, as a progress window out of memory would.
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

inline const QByteArray kKeep = "a file the clerk keeps";

// The sample roster, the shipped NCOES layout and a file of the clerk's, with
// links to them, a folder and a pipe: where a PDF must not or cannot go.
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

// Runs for ever giving no row: only the progress handler sees it.
inline const QByteArray kEndlessCount =
    "WITH RECURSIVE r(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM r) SELECT count(*) AS \\\"Name\\\" FROM r";

// A list layout of one column, Name, over `query` (JSON-escaped), `extra` keys appended.
QByteArray listLayoutOver(const QByteArray& query, const QByteArray& extra = {});

// A roster of `soldiers` and the layout bounded.rpt; the PDF goes beside them.
struct LayoutFolder {
    QTemporaryDir dir;
    QString roster = dir.filePath("Varnel_DATA.MDB");
    QString layout = dir.filePath("bounded.rpt");
    QString pdf = dir.filePath("bounded.pdf");
    QByteArray rosterBytes;
    QStringList entries;

    explicit LayoutFolder(const QByteArray& layoutText, const QList<QVariantMap>& soldiers = sampleSoldiers());
    void expectLeftAsFound() const;
};

} // namespace varnel::reports::test
