#include "common/failure_numbers.h"
#include "store/data_control.h"
#include "store/record_commands.h"
#include "store/roster_export.h"

#include "support/roster_file.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace varnel;
using namespace varnel::store;

namespace {

// RFC 4180: quoted fields with doubled quotes and line breaks inside.
QList<QStringList> parseCsv(const QByteArray& bytes)
{
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF")) << "a byte-order mark tells a spreadsheet it is UTF-8";
    EXPECT_TRUE(bytes.endsWith("\r\n")) << "every line ends with CR LF";
    static const QRegularExpression field(R"re("((?:[^"]|"")*)"|[^",\r\n]*)re");
    const QString text = QString::fromUtf8(bytes.mid(3));
    QList<QStringList> rows{{}};
    for (qsizetype at = 0; at < text.size();) {
        const auto m =
            field.match(text, at, QRegularExpression::NormalMatch, QRegularExpression::AnchorAtOffsetMatchOption);
        rows.last() << (m.hasCaptured(1) ? m.captured(1).replace(R"("")", R"(")") : m.captured(0));
        at = m.capturedEnd();
        if (text.mid(at, 2) == "\r\n") {
            rows.append(QStringList());
            at += 2;
        } else if (at < text.size() && text.at(at) == u',') {
            ++at;
        } else {
            ADD_FAILURE() << "unreadable at " << at;
            break;
        }
    }
    rows.removeLast();
    return rows;
}

class RosterExport : public ::testing::TestWithParam<test::RosterKind> {
protected:
    test::RosterFile file{GetParam()};
    QTemporaryDir out;
    DataControl data1;

    QList<QStringList> exported(ExportKind kind)
    {
        file.openIn(data1);
        const QString path = out.filePath("export.csv");
        exportCsv(data1, kind, path, true);
        return parseCsv(test::fileBytes(path));
    }
    static QString cell(const QList<QStringList>& rows, int row, const QString& column)
    {
        return rows.value(row).value(int(rows.value(0).indexOf(column)));
    }
};

TEST_P(RosterExport, TheRosterComesBackValueForValueInRosterOrder)
{
    file.insert({{"Name", "Müller, Zoë \"Z\""}, {"Rank", "SGT"}, {"TISDate", "3/15/2004"}, {"DORDate", "2019-02-01 08:30:00"},
                 {"APFT", "d"}, {"Weapon", "S"}, {"MSM", 1}, {"ARCOM", 0}, {"TISPoints", 50}, {"TOTAL", 180}, {"TotalDate", "12.7.2026"},
                 {"PrefDates", "JAN, FEB\nor MAR"}});
    file.insert({{"Name", "=HYPERLINK(\"http://x\")"}, {"Rank", "-1"}, // A server's text holds no NUL; another control character stands in.
                 {"LastSchool", file.onServer() ? QStringLiteral("\x1f=1+2") : QString::fromUtf8("\0=1+2", 5)}});
    file.insert({{"Name", "adams, al"}});
    const QList<QStringList> rows = exported(ExportKind::Roster);
    ASSERT_EQ(rows.size(), 4);
    QStringList header = file.columnNames();
    header.insert(header.indexOf("APFT") + 1, "APFTBand");
    header.insert(header.indexOf("Weapon") + 1, "WeaponQualification");
    EXPECT_EQ(rows[0], header) << "every column in table order, the codes followed by what the window shows for them";
    // Roster order: "=HYPERLINK..." sorts first (=), then adams, then Müller.
    EXPECT_EQ(cell(rows, 1, "Name"), "'=HYPERLINK(\"http://x\")") << "never a formula";
    EXPECT_EQ(cell(rows, 1, "Rank"), "'-1");
    EXPECT_EQ(cell(rows, 1, "LastSchool"), "'=1+2") << "a NUL before a formula is dropped, and the formula guarded";
    EXPECT_EQ(cell(rows, 2, "Name"), "adams, al");
    EXPECT_EQ(cell(rows, 2, "APFTBand"), "") << "no code, no band";
    QStringList values; // no value (AAM), no text; the stamp (TotalDate) as a date too
    for (const char* column : {"Name", "TISDate", "DORDate", "APFT", "APFTBand", "Weapon", "WeaponQualification", "MSM",
                               "ARCOM", "AAM", "TISPoints", "TotalDate", "PrefDates"})
        values << cell(rows, 3, column);
    EXPECT_EQ(values, QStringList({"Müller, Zoë \"Z\"", "2004-03-15", "2019-02-01 08:30:00", "d", "270-279", "S",
                                   "Sharpshooter", "Yes", "No", "", "50", "2026-12-07", "JAN, FEB\nor MAR"}));
}

// Grouped by the grade competed for, ties sharing a place within a group and not across groups, no place for soldiers
// without a total or in a group without a points list, ranks written loosely.
TEST_P(RosterExport, TheMeritListGroupsByTheGradeCompetedForWithTiesSharingAPlace)
{
    const struct { const char* name; const char* rank; QVariant total; } soldiers[] = {
        {"Zimmer", "SGT", 300}, {"de la Cruz", "spc ", 300}, {"Adams", "PV2", {}}, {"Baker", "PFC", 412},
        {"Cole", "CPL", 300},   {"Dunn", "SPC", 280},        {"Eads", "SPC", {}},  {"Fox", "SGT", 310},
        {"Gray", "SGT", 300},   {"Hale", "1SG", 350},        {"Ives", "", 200},    {"Jones", "SPC", 412}};
    for (const auto& s : soldiers)
        file.insert({{"Name", s.name}, {"Rank", s.rank}, {"TOTAL", s.total}, {"TISPoints", 50}});
    const QList<QStringList> rows = exported(ExportKind::MeritList);
    ASSERT_EQ(rows.size(), 13);
    QStringList listed;
    for (int r = 1; r < rows.size(); ++r)
        listed << cell(rows, r, "Group").section(u' ', 0, 2) + " | " + cell(rows, r, "Place") + " " + cell(rows, r, "Name");
    EXPECT_EQ(listed, QStringList({"Promotion to SGT | 1 Jones", "Promotion to SGT | 2 Cole", "Promotion to SGT | 2 de la Cruz",
                                   "Promotion to SGT | 4 Dunn", "Promotion to SGT |  Eads", "Promotion to SSG | 1 Fox",
                                   "Promotion to SSG | 2 Gray", "Promotion to SSG | 2 Zimmer", "PV1 to PFC: |  Baker",
                                   "PV1 to PFC: |  Adams", "SSG and above: |  Hale", "Rank not given |  Ives"}));
    EXPECT_EQ(cell(rows, 1, "TISPoints"), "50");
}

// Only a roster file has a path the CSV could be written over.
TEST(RosterFileExport, NeverOverTheRosterAndOverAnotherFileOnlyWhenAsked)
{
    test::RosterFile file;
    QTemporaryDir out;
    DataControl data1;
    file.insertNames({"ADAMS"});
    loadRoster(data1, file.directory());
    const QByteArray roster = test::fileBytes(file.path());
    const QString other = test::writeFile(out.filePath("keep.csv"), "the clerk's own file");
    const QString layout = test::writeFile(QDir(file.directory()).filePath("varnel_list.rpt"), "{}");
    const struct { QString path; bool replace; int number; } cases[] = {
        {file.path(), true, RecordsetError::WouldOverwriteRoster},
        {layout, true, RecordsetError::WouldOverwriteRoster},
        {other, false, RecordsetError::ExistsNotReplaced},
        {out.path(), true, RecordsetError::OutputFailed},
        {out.filePath("no-such-folder/x.csv"), true, RecordsetError::OutputFailed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        EXPECT_EQ(test::failureNumber([&] { exportCsv(data1, ExportKind::Roster, c.path, c.replace); }), c.number);
    }
    EXPECT_EQ(test::fileBytes(file.path()), roster);
    EXPECT_EQ(test::fileBytes(other), "the clerk's own file");
    EXPECT_EQ(test::fileBytes(layout), "{}");

    test::ScratchMount disk(QStringLiteral("64k"));
    if (disk.skipReason().isEmpty()) {
        disk.fill();
        const QString onFull = QDir(disk.path()).filePath("roster.csv");
        test::expectFailure([&] { exportCsv(data1, ExportKind::Roster, onFull, false); }, RecordsetError::OutputFailed,
                            {"No space left on device"});
        EXPECT_FALSE(QFile::exists(onFull));
    }
    EXPECT_EQ(test::filesBeside(file.path()), QStringList({"varnel_list.rpt"}));
}

INSTANTIATE_TEST_SUITE_P(EveryRoster, RosterExport, test::kEveryRoster, test::rosterName);

} // namespace
