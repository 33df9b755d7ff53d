#include "reports/report_data.h"
#include "reports/report_engine.h"
#include "reports/report_failures.h"
#include "reports/report_progress.h"

#include "report_helpers.h"

#include <QDate>
#include <QImage>
#include <QPdfWriter>

using namespace varnel::reports;
using namespace varnel::reports::test;

namespace {

// The pages of the shipped layout `name` over `soldiers`, printed 4 July 2025.
QStringList renderShipped(const QString& name, const QList<QVariantMap>& soldiers,
                          std::optional<qint64> onlyRecord = std::nullopt)
{
    QTemporaryDir dir;
    writeRoster(dir.filePath("Varnel_DATA.MDB"), soldiers);
    const QString pdf = dir.filePath(name + QStringLiteral(".pdf"));
    ReportEngine engine(std::make_unique<PdfPresenter>(pdf, ExistingPdf::Refuse), std::make_unique<SilentProgress>(),
                        [] { return QDate(2025, 7, 4); });
    engine.setReportFileName(copyShippedLayout(name, dir.path()));
    engine.setOnlyRecord(onlyRecord);
    engine.setAction(0);
    return pdfPages(pdf);
}

void expectRowsInOrder(const QString& page, const QList<QStringList>& rows)
{
    const QStringList lines = page.split(u'\n');
    int at = -1;
    for (const QStringList& row : rows) {
        const int found = findRow(lines, row, at + 1);
        EXPECT_GT(found, at) << "row not found in order: " << row.join(QStringLiteral(" | ")).toStdString() << "\n"
                             << page.toStdString();
        at = std::max(at, found);
    }
}

} // namespace

TEST(ShippedLayouts, MeritListGroupsByTheGradeCompetedForWithPlacesOnlyWherePointsCompete)
{
    const QString pages = renderShipped(QStringLiteral("varnel_list.rpt"), sampleSoldiers()).join(u'\n');
    expectRowsInOrder(pages, {
        {"Printed 7/4/2025", "Roster: Varnel_DATA.MDB"},
        {"Promotion to SGT (soldiers now SPC or CPL)"},
        {"1", "Baker, Mary", "SPC", "50", "41", "50", "40", "0", "100", "131", "412", "6/3/2024"},
        {"2", "Evans, Kim"}, {"Soldiers in this group: 2"}, {"Totals of 2 soldiers, from 250 to 412, in ten equal steps"},
        {"Promotion to SSG (soldiers now SGT)"}, {"1", "Adams, John", "SGT"}, {"Ford, Al", "SGT", "50", "not totalled"},
        {"PV1 to PFC: no points list"}, {"Green, Pat", "PV2"}, {"Cruz, Ana", "PFC", "not totalled"},
        {"SSG and above: no points list"}, {"Diaz, Luis", "SSG", "50"},
        {"Soldiers listed: 7"},
    });
    const QStringList lines = pages.split(u'\n');
    for (const char* unplaced : {"Green, Pat", "Cruz, Ana", "Diaz, Luis", "Ford, Al"})
        EXPECT_TRUE(lines.value(findRow(lines, {unplaced})).trimmed().startsWith(unplaced)) << unplaced << " has a place";
}

TEST(ShippedLayouts, WorksheetsGiveOnePageFormPerSoldierOrOneSoldiersAlone)
{
    const QStringList pages = renderShipped(QStringLiteral("varnel_work.rpt"), sampleSoldiers());
    ASSERT_EQ(pages.size(), 7);
    const char* byName[] = {"Adams, John", "Baker, Mary", "Cruz, Ana", "Diaz, Luis", "Evans, Kim", "Ford, Al", "Green, Pat"};
    for (int p = 0; p < 7; ++p)
        expectRowsInOrder(pages[p], {{QStringLiteral("Page %1 of 7").arg(p + 1)}, {"Name", byName[p]}});
    expectRowsInOrder(pages[0], {
        {"SGT Adams, John"}, {"PEBD", "3/15/2012"}, {"DOR", "7/1/2019"},
        {"Physical fitness test (APFT)", "Band C: 280-289", "40"},
        {"Weapon qualification", "Expert", "50"},
        {"Awards held", "ARCOM (2), AAM", "45"},
        {"1SG evaluation", "90"}, {"SGT evaluation", "87"}, {"Total promotion points", "412"},
        {"Worked out on", "6/2/2024"},
    });
    // Both date encodings, with or without a time, show as m/d/yyyy; empty text shows as NULL does.
    expectRowsInOrder(pages[1], {{"DOR", "1/15/2021"}});
    expectRowsInOrder(pages[2], {{"DOR", "not entered"}, {"Weapon qualification", "not qualified"},
                                 {"Awards held", "none"}, {"Total promotion points", "not totalled"}});
    expectRowsInOrder(pages[5], {{"Weapon qualification", "not qualified"}});

    // Baker is the second soldier written: key 2.
    const QStringList one = renderShipped(QStringLiteral("varnel_work.rpt"), sampleSoldiers(), 2);
    ASSERT_EQ(one.size(), 1);
    expectRowsInOrder(one[0], {{"Page 1 of 1"}, {"Name", "Baker, Mary"}, {"Total promotion points", "412"}});

    // A layout naming no record key refuses rather than print everyone.
    EXPECT_EQ(failureNumber([] { renderShipped(QStringLiteral("varnel_list.rpt"), sampleSoldiers(), 2); }),
              failure::NotALayout);
}

TEST(ShippedLayouts, NcoesCourseListGroupsBySchoolInListOrder)
{
    const QStringList pages = renderShipped(QStringLiteral("varnel_nco.rpt"), sampleSoldiers());
    ASSERT_EQ(pages.size(), 1);
    expectRowsInOrder(pages[0], {
        {"Next school: NONE"}, {"PV2", "Green, Pat"}, {"Soldiers for this school: 1"},
        {"Next school: WLC"}, {"SPC", "Baker, Mary", "NONE", "any time"}, {"CPL", "Evans, Kim", "NONE"},
        {"Soldiers for this school: 2"},
        {"Next school: ALC"}, {"SGT", "Adams, John", "WLC", "Jan-Mar 2025"},
        {"Next school: SLC"}, {"SSG", "Diaz, Luis", "ALC", "after 1 Oct"},
        {"Next school: Airborne"}, {"SGT", "Ford, Al"},
        {"Next school: none given"}, {"PFC", "Cruz, Ana"},
        {"Soldiers listed: 7"},
    });
}

TEST(ShippedLayouts, LongReportsRepeatHeadingsOnEveryPageAndLoseNoRow)
{
    QList<QVariantMap> soldiers;
    for (int i = 0; i < 150; ++i)
        soldiers.append({{"Name", QStringLiteral("Soldier %1").arg(i, 3, 10, QLatin1Char('0'))}, {"Rank", "SPC"},
                         {"NextSchool", "ALC"}, {"TOTAL", 1000 - i}});
    const QStringList pages = renderShipped(QStringLiteral("varnel_nco.rpt"), soldiers);
    ASSERT_GE(pages.size(), 3);
    int previous = -1;
    for (int p = 0; p < pages.size(); ++p) {
        SCOPED_TRACE(p + 1);
        expectRowsInOrder(pages[p], {{QStringLiteral("Page %1 of %2").arg(p + 1).arg(pages.size())},
                                     {"Rank", "Name", "Last school", "Requested dates"},
                                     {p == 0 ? QStringLiteral("Next school: ALC") : QStringLiteral("Next school: ALC (continued)")}});
        for (const QString& line : pages[p].split(u'\n')) {
            const qsizetype at = line.indexOf(QStringLiteral("Soldier "));
            if (at >= 0 && !line.contains(QStringLiteral("Soldiers"))) {
                EXPECT_EQ(line.mid(at + 8, 3).toInt(), ++previous) << line.toStdString();
            }
        }
    }
    EXPECT_EQ(previous, 149);
}

// Whatever a name holds comes back from the PDF as typed: glyph numbers that
// are a string's delimiters ("E", "F", "y" have them) or a carriage return
// ("*"), letters with marks, and letters no face of ours has (drawn from
// another face, or as shapes).
TEST(ShippedLayouts, NamesComeBackFromThePdfAsTyped)
{
    const QStringList names{QStringLiteral("O'Brien (Jr.) \\ *Fey*"), QStringLiteral("Ünïcödé-Æsir, Øyvind"),
                            QStringLiteral("김민준, Kim"), QStringLiteral("𝐀dams, Zoë")};
    QList<QVariantMap> soldiers;
    for (const QString& name : names)
        soldiers.append({{"Name", name}, {"Rank", "SPC"}, {"TOTAL", 300}});
    const QString text = renderShipped(QStringLiteral("varnel_list.rpt"), soldiers).join(u'\n');
    for (const QString& name : names)
        EXPECT_TRUE(text.contains(name)) << name.toStdString() << " not in\n" << text.toStdString();
}

TEST(ShippedLayouts, EmptyRosterStillPrintsAPage)
{
    for (const char* name : {"varnel_list.rpt", "varnel_work.rpt", "varnel_nco.rpt"}) {
        SCOPED_TRACE(name);
        const QStringList pages = renderShipped(QString::fromLatin1(name), {});
        ASSERT_EQ(pages.size(), 1);
        EXPECT_TRUE(pages[0].contains(QStringLiteral("There are no records to show.")));
    }
}

// The layouts' own words (titles, headings, labels, group texts, footers) fit their places on every paper we ship.
TEST(ShippedLayouts, EveryTextOfTheLayoutsFitsOnLetterAndA4)
{
    QTemporaryDir dir;
    writeRoster(dir.filePath("Varnel_DATA.MDB"), sampleSoldiers());
    for (const char* name : {"varnel_list.rpt", "varnel_work.rpt", "varnel_nco.rpt"}) {
        ReportLayout layout = loadLayout(copyShippedLayout(QString::fromLatin1(name), dir.path()));
        SilentProgress progress;
        const std::optional<ReportData> data = readReportData(layout, progress, {});
        ASSERT_TRUE(data);
        for (const QPageSize::PageSizeId paper : {QPageSize::Letter, QPageSize::A4}) {
            layout.pageSize = paper;
            ReportRenderer renderer(layout, *data, QDate(2025, 7, 4));
            QStringList cut;
            renderer.noteCutTextsIn(&cut);
            QPdfWriter pdf(dir.filePath("fit.pdf"));
            pdf.setPageLayout(renderer.pageLayout());
            ASSERT_EQ(renderer.render(pdf, progress), ReportRenderer::Outcome::Done);
            EXPECT_EQ(cut, QStringList()) << name << " on " << QPageSize::name(paper).toStdString();
        }
    }
}

// The worksheet's bars, measured in the printed page's pixels: each fill as long as its points and each outline as
// long as its cap, on the one scale the largest of them sets (Adams: an evaluation of 90 fills the line).
TEST(ShippedLayouts, WorksheetBarsAreAsLongAsThePointsAndTheirCaps)
{
    QTemporaryDir dir;
    writeRoster(dir.filePath("Varnel_DATA.MDB"), sampleSoldiers());
    const QString pdf = dir.filePath("adams.pdf");
    ReportEngine engine(std::make_unique<PdfPresenter>(pdf, ExistingPdf::Refuse), std::make_unique<SilentProgress>());
    engine.setReportFileName(copyShippedLayout(QStringLiteral("varnel_work.rpt"), dir.path()));
    engine.setOnlyRecord(1);
    engine.setAction(0);
    ASSERT_EQ(runProgram("pdftoppm", {"-r", "150", "-png", "-singlefile", pdf, dir.filePath("adams")}), 0);
    const QImage page(dir.filePath("adams.png"));
    ASSERT_FALSE(page.isNull());
    const auto isFill = [](QRgb p) { return qAbs(qGray(p) - 90) < 15 && qRed(p) == qBlue(p); };
    // The longest run of fill on line y: where it starts and how long it is.
    const auto fillOn = [&](int y) {
        std::pair longest{-1, 0};
        for (int x = 0, n = 0; x <= page.width(); ++x) {
            n = x < page.width() && isFill(page.pixel(x, y)) ? n + 1 : 0;
            if (n > longest.second)
                longest = {x - n + 1, n};
        }
        return longest;
    };
    // How long the dark line is that starts near x on line y (an outline's top edge).
    const auto lineFrom = [&](int x, int y) {
        while (x < page.width() && qGray(page.pixel(x, y)) >= 160 && x < page.width() - 1)
            ++x;
        int n = 0;
        while (x + n < page.width() && qGray(page.pixel(x + n, y)) < 160)
            ++n;
        return n;
    };
    struct Bar { int fill, outline; };
    QList<Bar> bars;
    for (int y = 3; y < page.height(); ++y) {
        const auto [left, fill] = fillOn(y);
        if (fill <= 3 || fillOn(y - 1).second > 3)
            continue; // not the first line of a run of fill
        bool block = true; // a bar, not a stroke of a letter: the same run on the next ten lines
        for (int below = 1; below <= 10 && block; ++below)
            block = y + below < page.height() && fillOn(y + below) == std::pair{left, fill};
        if (!block)
            continue;
        int outline = 0;
        for (int above = 1; above <= 3; ++above)
            outline = std::max(outline, lineFrom(left - 2, y - above));
        bars.append({fill, outline});
    }
    ASSERT_EQ(bars.size(), 7);
    const double full = bars[5].fill; // the evaluation of 90
    const double points[] = {50, 50, 40, 50, 45, 90, 87};
    for (int b = 0; b < 7; ++b) {
        SCOPED_TRACE(b);
        EXPECT_NEAR(bars[b].fill / full, points[b] / 90, 0.02);
        EXPECT_NEAR(bars[b].outline / full, b < 5 ? 50.0 / 90 : 0, 0.02); // the evaluations have no cap
    }
}
