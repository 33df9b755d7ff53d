#include "reports/report_engine.h"
#include "reports/report_failures.h"
#include "reports/report_progress.h"

#include "report_helpers.h"

#include <QDate>
#include <QFile>

using namespace varnel::reports;
using namespace varnel::reports::test;

namespace {

const QDate kPrinted(2025, 7, 4);

// Renders the shipped layout `name` over `soldiers` into a PDF; returns its
// pages as text.
QStringList renderShipped(const QString& name, const QList<QVariantMap>& soldiers, QTemporaryDir& dir,
                          std::optional<qint64> onlyRecord = std::nullopt)
{
    writeRoster(dir.filePath("Varnel_DATA.MDB"), soldiers);
    const QString layout = copyShippedLayout(name, dir.path());
    const QString pdf = dir.filePath(name + QStringLiteral(".pdf"));
    ReportEngine engine(std::make_unique<PdfPresenter>(pdf, ExistingPdf::Refuse), std::make_unique<SilentProgress>(),
                        [] { return kPrinted; });
    engine.setReportFileName(layout);
    engine.setOnlyRecord(onlyRecord);
    engine.setAction(0);
    // For looking at the pages: VARNEL_REPORT_PDF_DIR keeps a copy of each PDF.
    if (const QString keep = qEnvironmentVariable("VARNEL_REPORT_PDF_DIR"); !keep.isEmpty()) {
        const QString copy = keep + u'/' + QString::fromUtf8(
            ::testing::UnitTest::GetInstance()->current_test_info()->name()) + u'-' + name + QStringLiteral(".pdf");
        QFile::remove(copy);
        QFile::copy(pdf, copy);
    }
    return pdfPages(pdf);
}

// Expects every row to be found, each below the one before.
void expectRowsInOrder(const QStringList& lines, const QList<QStringList>& rows)
{
    int at = -1;
    for (const QStringList& row : rows) {
        const int found = findRow(lines, row, at + 1);
        EXPECT_GT(found, at) << "row not found in order: " << row.join(QStringLiteral(" | ")).toStdString()
                             << "\n" << lines.join(u'\n').toStdString();
        if (found > at)
            at = found;
    }
}

QList<QVariantMap> manySoldiers(int count, const QString& school)
{
    QList<QVariantMap> rows;
    for (int i = 0; i < count; ++i)
        rows.append({{"Name", QStringLiteral("Soldier %1").arg(i, 3, 10, QLatin1Char('0'))},
                     {"Rank", "SPC"},
                     {"NextSchool", school},
                     {"TOTAL", 1000 - i}});
    return rows;
}

} // namespace

TEST(ShippedLayouts, MeritListOrdersByTotalThenNameWithUntotalledLast)
{
    QTemporaryDir dir;
    const QStringList pages = renderShipped(QStringLiteral("varnel_list.rpt"), sampleSoldiers(), dir);
    ASSERT_EQ(pages.size(), 1);
    const QStringList lines = pages[0].split(u'\n');
    expectRowsInOrder(lines, {
        {"Merit List", "Page 1 of 1"},
        {"Printed 7/4/2025"},
        {"Place", "Name", "Rank", "TIS", "TIG", "APFT", "Weapon", "Awards", "1SG eval", "SGT eval", "Total",
         "Totalled on"},
        {"1", "Diaz, Luis", "SSG", "50", "50", "45", "50", "50", "150", "145", "540", "3/14/2024"},
        {"2", "Adams, John", "SGT", "50", "50", "40", "50", "45", "90", "87", "412", "6/2/2024"},
        {"3", "Baker, Mary", "SPC", "50", "41", "50", "40", "0", "100", "131", "412", "6/3/2024"},
        {"4", "Evans, Kim", "CPL", "40", "20", "5", "10", "10", "85", "80", "250", "5/1/2024"},
        {"5", "Green, Pat", "PV2", "10", "5", "20", "10", "0", "30", "20", "95", "4/9/2024"},
        {"Cruz, Ana", "PFC", "not totalled"},
        {"Ford, Al", "SGT", "50", "not totalled"},
        {"Soldiers listed: 7"},
    });
    // Places belong to totalled soldiers only.
    EXPECT_EQ(findRow(lines, {"6", "Cruz, Ana"}), -1);
}

TEST(ShippedLayouts, MeritListSaysWhyATotalIsMissingAndOrdersNamesAsTheGridDoes)
{
    QTemporaryDir dir;
    const QStringList pages = renderShipped(QStringLiteral("varnel_list.rpt"), {
        {{"Name", "Zimmerman, Al"}, {"Rank", "SGT"}, {"TOTAL", 300}, {"TotalDate", "6/2/2024"}},
        {{"Name", "de la Cruz, Ana"}, {"Rank", "SPC"}, {"TOTAL", 300}, {"TotalDate", "12.7.2026"}},
        {{"Name", "Baker, Mary"}, {"Rank", "PFC"}, {"TISPoints", 20}, {"TotalDate", "6/3/2024"}},
        {{"Name", "Adams, John"}, {"Rank", "PV2"}},
    }, dir);
    ASSERT_EQ(pages.size(), 1);
    expectRowsInOrder(pages[0].split(u'\n'), {
        {"1", "de la Cruz, Ana", "SPC", "300", "12/7/2026"}, // a stamp written under a German locale
        {"2", "Zimmerman, Al", "SGT", "300", "6/2/2024"},
        {"Adams, John", "PV2", "not totalled"},
        {"Baker, Mary", "PFC", "20", "no total", "6/3/2024"},
    });
}

TEST(ShippedLayouts, OneSoldiersWorksheetIsHisPageAlone)
{
    QTemporaryDir dir;
    // Baker is the second soldier written: key 2.
    const QStringList pages = renderShipped(QStringLiteral("varnel_work.rpt"), sampleSoldiers(), dir, 2);
    ASSERT_EQ(pages.size(), 1);
    const QStringList lines = pages[0].split(u'\n');
    EXPECT_NE(findRow(lines, {"Promotion Point Worksheet", "Page 1 of 1"}), -1);
    EXPECT_NE(findRow(lines, {"Name", "Baker, Mary"}), -1) << pages[0].toStdString();
    EXPECT_NE(findRow(lines, {"Total promotion points", "412"}), -1);
    EXPECT_EQ(pages[0].count("Promotion Point Worksheet"), 1);

    // A layout naming no record key refuses rather than print everyone.
    QTemporaryDir other;
    writeRoster(other.filePath("Varnel_DATA.MDB"), sampleSoldiers());
    ReportEngine engine(std::make_unique<PdfPresenter>(other.filePath("x.pdf"), ExistingPdf::Refuse), std::make_unique<SilentProgress>());
    engine.setReportFileName(copyShippedLayout(QStringLiteral("varnel_list.rpt"), other.path()));
    engine.setOnlyRecord(2);
    EXPECT_EQ(failureNumber([&] { engine.setAction(0); }), failure::NotALayout);
    EXPECT_FALSE(QFile::exists(other.filePath("x.pdf")));
}

TEST(ShippedLayouts, WorksheetsGiveOnePageFormPerSoldier)
{
    QTemporaryDir dir;
    const QStringList pages = renderShipped(QStringLiteral("varnel_work.rpt"), sampleSoldiers(), dir);
    ASSERT_EQ(pages.size(), 7);
    const char* byName[] = {"Adams, John", "Baker, Mary", "Cruz, Ana", "Diaz, Luis",
                            "Evans, Kim", "Ford, Al", "Green, Pat"};
    for (int p = 0; p < 7; ++p) {
        SCOPED_TRACE(byName[p]);
        const QStringList lines = pages[p].split(u'\n');
        EXPECT_NE(findRow(lines, {"Promotion Point Worksheet", QStringLiteral("Page %1 of 7").arg(p + 1)}), -1);
        EXPECT_NE(findRow(lines, {"Name", byName[p]}), -1) << pages[p].toStdString();
    }
    expectRowsInOrder(pages[0].split(u'\n'), {
        {"SGT Adams, John"},
        {"Rank", "SGT"},
        {"PEBD", "3/15/2012"},
        {"DOR", "7/1/2019"},
        {"Entry", "Points"},
        {"Time in service (from PEBD)", "3/15/2012", "50"},
        {"Time in grade (from DOR)", "7/1/2019", "50"},
        {"Physical fitness test (APFT)", "Band C: 280-289", "40"},
        {"Weapon qualification", "Expert", "50"},
        {"Awards held", "ARCOM (2), AAM", "45"},
        {"1SG evaluation", "90"},
        {"SGT evaluation", "87"},
        {"Total promotion points", "412"},
        {"Worked out on", "6/2/2024"},
    });
    expectRowsInOrder(pages[2].split(u'\n'), {
        {"PFC Cruz, Ana"},
        {"DOR", "not entered"},
        {"Physical fitness test (APFT)", "no band entered"},
        {"Weapon qualification", "not qualified"},
        {"Awards held", "none"},
        {"Total promotion points", "not totalled"},
        {"Worked out on", "never"},
    });
    expectRowsInOrder(pages[3].split(u'\n'), {
        {"Physical fitness test (APFT)", "Band B: 290-299", "45"},
        {"Awards held", "MSM, ARCOM (3), LTR/COM", "50"},
    });
    // Both date encodings, with or without a time, show as m/d/yyyy.
    EXPECT_NE(findRow(pages[1].split(u'\n'), {"DOR", "1/15/2021"}), -1) << pages[1].toStdString();
    // Empty text shows like NULL.
    EXPECT_NE(findRow(pages[5].split(u'\n'), {"Weapon qualification", "not qualified"}), -1);
    expectRowsInOrder(pages[4].split(u'\n'), {
        {"Physical fitness test (APFT)", "Band J: 180-199", "5"},
        {"Weapon qualification", "Marksman", "10"},
    });
}

TEST(ShippedLayouts, NcoesCourseListGroupsBySchoolInListOrder)
{
    QTemporaryDir dir;
    const QStringList pages = renderShipped(QStringLiteral("varnel_nco.rpt"), sampleSoldiers(), dir);
    ASSERT_EQ(pages.size(), 1);
    expectRowsInOrder(pages[0].split(u'\n'), {
        {"NCOES Course List", "Page 1 of 1"},
        {"Rank", "Name", "Last school", "Requested dates"},
        {"Next school: NONE"},
        {"PV2", "Green, Pat"},
        {"Soldiers for this school: 1"},
        {"Next school: WLC"},
        {"SPC", "Baker, Mary", "NONE", "any time"},
        {"CPL", "Evans, Kim", "NONE"},
        {"Soldiers for this school: 2"},
        {"Next school: ALC"},
        {"SGT", "Adams, John", "WLC", "Jan-Mar 2025"},
        {"Next school: SLC"},
        {"SSG", "Diaz, Luis", "ALC", "after 1 Oct"},
        {"Next school: Airborne"},
        {"SGT", "Ford, Al"},
        {"Next school: none given"},
        {"PFC", "Cruz, Ana"},
        {"Soldiers listed: 7"},
    });
}

TEST(ShippedLayouts, LongReportsRepeatHeadingsOnEveryPage)
{
    QTemporaryDir dir;
    const QStringList pages = renderShipped(QStringLiteral("varnel_nco.rpt"), manySoldiers(150, "ALC"), dir);
    ASSERT_GE(pages.size(), 3);
    int previous = -1;
    for (int p = 0; p < pages.size(); ++p) {
        SCOPED_TRACE(p + 1);
        const QStringList lines = pages[p].split(u'\n');
        EXPECT_NE(findRow(lines, {QStringLiteral("Page %1 of %2").arg(p + 1).arg(pages.size())}), -1);
        EXPECT_NE(findRow(lines, {"Rank", "Name", "Last school", "Requested dates"}), -1);
        EXPECT_NE(findRow(lines, {p == 0 ? QStringLiteral("Next school: ALC")
                                         : QStringLiteral("Next school: ALC (continued)")}),
                  -1);
        // Rows run on from page to page with none lost or repeated.
        for (const QString& line : lines) {
            const qsizetype at = line.indexOf(QStringLiteral("Soldier "));
            if (at < 0 || line.contains(QStringLiteral("Soldiers")))
                continue;
            const int number = line.mid(at + 8, 3).toInt();
            EXPECT_EQ(number, previous + 1) << line.toStdString();
            previous = number;
        }
    }
    EXPECT_EQ(previous, 149);
    EXPECT_NE(pages.last().indexOf(QStringLiteral("Soldiers listed: 150")), -1);
}

TEST(ShippedLayouts, EmptyRosterStillPrintsAPage)
{
    for (const char* name : {"varnel_list.rpt", "varnel_work.rpt", "varnel_nco.rpt"}) {
        SCOPED_TRACE(name);
        QTemporaryDir dir;
        const QStringList pages = renderShipped(QString::fromLatin1(name), {}, dir);
        ASSERT_EQ(pages.size(), 1);
        EXPECT_TRUE(pages[0].contains(QStringLiteral("There are no records to show.")));
        EXPECT_TRUE(pages[0].contains(QStringLiteral("Page 1 of 1")));
    }
}
