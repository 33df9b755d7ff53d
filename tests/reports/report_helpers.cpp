#include "report_helpers.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>

namespace varnel::reports::test {

QList<QVariantMap> sampleSoldiers()
{
    // TIS TIG APFT Weapon Award 1SGT SSGT TOTAL, as far as given.
    auto points = [](QVariantMap row, QList<int> values) {
        const char* names[] = {"TISPoints", "TIGPoints", "APFTPoints", "WeaponPoints",
                               "AwardPoints", "1SGTPoints", "SSGTPoints", "TOTAL"};
        for (int i = 0; i < values.size(); ++i)
            row.insert(QString::fromLatin1(names[i]), values[i]);
        return row;
    };
    return {
        points({{"Name", "Adams, John"}, {"Rank", "SGT"}, {"TISDate", "2012-03-15"}, {"DORDate", "2019-07-01 00:00:00"},
                {"APFT", "C"}, {"Weapon", "E"}, {"ARCOM", 1}, {"ARCOM2", -1}, {"AAM", 1}, {"MSM", 0},
                {"LastSchool", "WLC"}, {"NextSchool", "ALC"}, {"PrefDates", "Jan-Mar 2025"}, {"TotalDate", "6/2/2024"}},
               {50, 50, 40, 50, 45, 90, 87, 412}),
        points({{"Name", "Baker, Mary"}, {"Rank", "SPC"}, {"TISDate", "2016-09-01"}, {"DORDate", "01/15/2021 8:30:00"},
                {"APFT", "A"}, {"Weapon", "S"}, {"LastSchool", "NONE"}, {"NextSchool", "WLC"},
                {"PrefDates", "any time"}, {"TotalDate", "2024-06-03"}},
               {50, 41, 50, 40, 0, 100, 131, 412}),
        {{"Name", "Cruz, Ana"}, {"Rank", "PFC"}, {"TISDate", "2020-01-10"}},
        points({{"Name", "Diaz, Luis"}, {"Rank", "SSG"}, {"TISDate", "2008-05-20"}, {"DORDate", "2018-02-01"},
                {"APFT", "B"}, {"Weapon", "E"}, {"MSM", 1}, {"ARCOM", 1}, {"ARCOM2", 1}, {"ARCOM3", 1}, {"LTR/COM", 1},
                {"LastSchool", "ALC"}, {"NextSchool", "SLC"}, {"PrefDates", "after 1 Oct"}, {"TotalDate", "3/14/2024"}},
               {50, 50, 45, 50, 50, 150, 145, 540}),
        points({{"Name", "Evans, Kim"}, {"Rank", "CPL"}, {"TISDate", "2018-11-11"}, {"DORDate", "2022-04-30"},
                {"APFT", "J"}, {"Weapon", "M"}, {"AAM", 1}, {"LastSchool", "NONE"}, {"NextSchool", "WLC"},
                {"TotalDate", "5/1/2024"}},
               {40, 20, 5, 10, 10, 85, 80, 250}),
        points({{"Name", "Ford, Al"}, {"Rank", "SGT"}, {"Weapon", ""}, {"NextSchool", "Airborne"}}, {50}),
        points({{"Name", "Green, Pat"}, {"Rank", "PV2"}, {"TISDate", "2023-02-01"}, {"DORDate", "2023-08-01"},
                {"APFT", "G"}, {"Weapon", "M"}, {"NextSchool", "NONE"}, {"TotalDate", "4/9/2024"}},
               {10, 5, 20, 10, 0, 30, 20, 95}),
    };
}

QString copyShippedLayout(const QString& name, const QString& dir)
{
    const QString target = dir + u'/' + name;
    QFile::remove(target);
    EXPECT_TRUE(QFile::copy(QStringLiteral(VARNEL_DATA_DIR) + u'/' + name, target)) << qPrintable(name);
    return target;
}

QString pdfText(const QString& pdfPath)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdfPath, QStringLiteral("-")});
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        ADD_FAILURE() << "pdftotext failed on " << pdfPath.toStdString() << ": "
                      << process.readAllStandardError().toStdString();
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

QStringList pdfPages(const QString& pdfPath)
{
    QStringList pages = pdfText(pdfPath).split(u'\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

int findRow(const QStringList& lines, const QStringList& cells, int from)
{
    QStringList parts;
    for (const QString& cell : cells)
        parts << QRegularExpression::escape(cell);
    const QRegularExpression row("(^|\\s)" + parts.join("\\s+") + "(\\s|$)");
    for (int i = qMax(0, from); i < lines.size(); ++i)
        if (row.match(lines[i]).hasMatch())
            return i;
    return -1;
}

OutputFolder::OutputFolder()
{
    writeRoster(roster, sampleSoldiers());
    layout = copyShippedLayout("varnel_nco.rpt", dir.path());
    writeFile(other, kKeep);
    QDir(dir.path()).mkdir("sub");
    QFile::link(layout, dir.filePath("layout-link.pdf"));
    QFile::link(roster + "-journal", dir.filePath("journal-link.pdf"));
    if (runProgram("ln", {roster, dir.filePath("roster-hard.pdf")}) != 0)
        ADD_FAILURE() << "no hard link made";
    if (runProgram("mkfifo", {dir.filePath("pipe.pdf")}) != 0)
        ADD_FAILURE() << "no pipe made";
    rosterBytes = fileBytes(roster);
    layoutBytes = fileBytes(layout);
}

QStringList OutputFolder::entries() const
{
    QStringList names = QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System);
    names.sort();
    return names;
}

void OutputFolder::expectInputsUnchanged() const
{
    EXPECT_EQ(fileBytes(roster), rosterBytes);
    EXPECT_EQ(fileBytes(layout), layoutBytes);
}

bool isPdf(const QString& path) { return fileBytes(path).startsWith("%PDF-"); }

QByteArray listLayoutOver(const QByteArray& query, const QByteArray& extra)
{
    return R"({"format": 1, "title": "T", "kind": "list", "query": ")" + query +
           R"(", "columns": [{"heading": "Name", "field": "Name"}])" + extra + "}";
}

LayoutFolder::LayoutFolder(const QByteArray& layoutText, const QList<QVariantMap>& soldiers)
{
    writeRoster(roster, soldiers);
    writeFile(layout, layoutText);
    rosterBytes = fileBytes(roster);
    entries = QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
}

void LayoutFolder::expectLeftAsFound() const
{
    EXPECT_EQ(fileBytes(roster), rosterBytes);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), entries) << "no PDF, no journal";
    EXPECT_EQ(QSqlDatabase::connectionNames().filter("varnel-report"), QStringList());
}

} // namespace varnel::reports::test
