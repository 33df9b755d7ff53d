// Queries and layouts that would run without end or exhaust memory: each is
// stopped with its number, leaving the roster as it was and no file behind.
#include "reports/report_engine.h"
#include "reports/report_failures.h"
#include "reports/report_progress.h"

#include "report_helpers.h"

#include <QDir>
#include <QSqlDatabase>

using namespace varnel::reports;
using namespace varnel::reports::test;

namespace {

QByteArray repeated(const QByteArray& item, int times, const char* separator = ", ")
{
    QByteArrayList items;
    for (int i = 0; i < times; ++i)
        items << QByteArray(item).replace("%", QByteArray::number(i));
    return items.join(separator);
}

ReportLimits smallLimits(qint64 ms, qint64 dataBytes, int valueBytes = ReportLimits{}.valueBytes)
{
    ReportLimits limits;
    limits.queryMilliseconds = ms;
    limits.dataBytes = dataBytes;
    limits.valueBytes = valueBytes;
    return limits;
}

} // namespace

TEST(ReportBounds, RunawayQueriesAndOversizedLayoutsGetTheirNumbers)
{
    const ReportLimits real;
    const ReportLimits small = smallLimits(300, 1 << 20, 4096);
    const QByteArray endlessRows =
        "WITH RECURSIVE r(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM r) SELECT x AS \\\"Name\\\" FROM r";
    const struct {
        const char* name;
        QByteArray layout;
        ReportLimits limits;
        int number;
        const char* named; // besides the layout file's name
        int storedNameChars = 0; // a soldier with a name this long, if not 0
    } cases[] = {
        {"endless recursive WITH", listLayoutOver(endlessRows), small, failure::ReportTooLarge, "1 MiB"},
        {"endless WITH without rows", listLayoutOver(kEndlessCount), small, failure::QueryTimedOut, "0.3 seconds"},
        {"randomblob(1e9)", listLayoutOver("SELECT randomblob(1e9) AS \\\"Name\\\""), real, failure::ReportTooLarge,
         "8 MiB"},
        {"zeroblob made into text", listLayoutOver("SELECT hex(zeroblob(3000)) AS \\\"Name\\\""), small,
         failure::ReportTooLarge, "4096 bytes"},
        {"big values on every row",
         listLayoutOver(QByteArray(endlessRows).replace("x AS", "hex(randomblob(2000)) AS")), small,
         failure::ReportTooLarge, "1 MiB"},
        {"a stored value beyond the bound", listLayoutOver("SELECT \\\"Name\\\" FROM \\\"Soldier\\\""),
         small, failure::ReportTooLarge, "4096 bytes", 5000},
        {"3.9 MB date format", listLayoutOver("SELECT 1 AS \\\"Name\\\"", ", \"dateFormat\": \"" + QByteArray(3'900'000, 'y') + '"'),
         real, failure::LayoutTooLarge, "262144 bytes"},
        {"long date format", listLayoutOver("SELECT 1 AS \\\"Name\\\"", ", \"dateFormat\": \"" + QByteArray(200, 'd') + '"'),
         real, failure::LayoutTooLarge, "\"dateFormat\" in the layout is 200 characters long (\"dddddddd"},
        {"long page footer", listLayoutOver("SELECT 1 AS \\\"Name\\\"", ", \"pageFooter\": \"" + QByteArray(5000, 'f') + '"'),
         real, failure::LayoutTooLarge, "\"pageFooter\" in the layout is 5000 characters long"},
        {"too many columns",
         R"({"format": 1, "title": "T", "kind": "list", "query": "SELECT 1 AS a", "columns": [)" +
             repeated(R"({"field": "a"})", 101) + "]}",
         real, failure::LayoutTooLarge, "101 columns"},
        {"too many form lines",
         R"({"format": 1, "title": "T", "kind": "form", "query": "SELECT 1 AS a", "lines": [)" +
             repeated(R"({"label": "L", "field": "a"})", 501) + "]}",
         real, failure::LayoutTooLarge, "501 lines"},
        {"too many map entries",
         listLayoutOver("SELECT 1 AS \\\"Name\\\"").replace(R"("field": "Name")",
                                                      R"("field": "Name", "map": {)" + repeated(R"("%": "x")", 1001) + "}"),
         real, failure::LayoutTooLarge, "1001 entries"},
        {"width out of range", listLayoutOver("SELECT 1 AS \\\"Name\\\"").replace(R"("field": "Name")", R"("field": "Name", "width": 5000)"),
         real, failure::NotALayout, "not 5000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QList<QVariantMap> soldiers = sampleSoldiers();
        if (c.storedNameChars > 0)
            soldiers.append({{"Name", QString(c.storedNameChars, u'n')}});
        LayoutFolder folder(c.layout, soldiers);
        ReportEngine engine(std::make_unique<PdfPresenter>(folder.pdf, ExistingPdf::Refuse),
                            std::make_unique<SilentProgress>());
        engine.setLimits(c.limits);
        engine.setReportFileName(folder.layout);
        const auto failure = failureOf([&] { engine.setAction(0); });
        EXPECT_EQ(failure ? failure->number() : 0, c.number);
        if (failure) {
            EXPECT_TRUE(failure->description().contains("bounded.rpt")) << failure->what();
            EXPECT_TRUE(failure->description().contains(QString::fromUtf8(c.named))) << failure->what();
        }
        folder.expectLeftAsFound();
    }
}

TEST(ReportBounds, CancelDuringALongQueryEndsQuietly)
{
    LayoutFolder folder(listLayoutOver(kEndlessCount));
    auto progress = std::make_unique<StoppingProgress>(3);
    const StoppingProgress* seen = progress.get();
    ReportEngine engine(std::make_unique<PdfPresenter>(folder.pdf, ExistingPdf::Refuse), std::move(progress));
    engine.setReportFileName(folder.layout);
    EXPECT_FALSE(failureOf([&] { engine.setAction(0); })) << "the real time limit is far off";
    EXPECT_EQ(seen->steps, 3) << "the query kept handing over to the progress until it was cancelled";
    EXPECT_EQ(seen->ends, 1);
    folder.expectLeftAsFound();
}

// A progress window that fails (here: out of memory) while the query runs
// inside SQLite, between rows, or while pages are painted ends the report
// with a number.
TEST(ReportBounds, FailingProgressBecomesAFailureNotAnAbort)
{
    const QByteArray soldiers = "SELECT \\\"Name\\\" FROM \\\"Soldier\\\"";
    const struct {
        const char* stage;
        QByteArray query;
    } cases[] = {{"Reading", kEndlessCount}, {"Reading", soldiers}, {"Laying out", soldiers}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stage + (" " + c.query.toStdString()));
        LayoutFolder folder(listLayoutOver(c.query));
        ReportEngine engine(std::make_unique<PdfPresenter>(folder.pdf, ExistingPdf::Refuse),
                            std::make_unique<ThrowingProgress>(QString::fromLatin1(c.stage)));
        engine.setReportFileName(folder.layout);
        EXPECT_EQ(failureNumber([&] { engine.setAction(0); }), failure::ReportTooLarge);
        folder.expectLeftAsFound();
    }
}
