#include "ui/help_viewer.h"

#include "points/scoring_rules.h"

#include "support/roster_file.h"

#include <QApplication>
#include <QTest>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSet>
#include <QTextBrowser>

using varnel::test::writeFile;
using varnel::ui::findHelpFile;
using varnel::ui::HelpViewer;

namespace {

const QString kShippedHelpFile = QStringLiteral(VARNEL_SOURCE_DIR "/data/Varnel.HLP");

} // namespace

TEST(HelpFileLookup, TriesTheCurrentDirectoryThenEachOtherFolderInTurn)
{
    QTemporaryDir current, shipped, beside;
    const QStringList others{shipped.path(), beside.path()};
    auto lookup = findHelpFile(current.path(), others);
    EXPECT_TRUE(lookup.path.isEmpty());
    EXPECT_EQ(lookup.searched, QStringList({current.path(), shipped.path(), beside.path()}));

    writeFile(current.filePath("varnel.hlp"), "<p>lower</p>");
    EXPECT_TRUE(findHelpFile(current.path(), others).path.isEmpty()) << "the name is exact";
    writeFile(beside.filePath("Varnel.HLP"), "<p>beside</p>");
    EXPECT_EQ(findHelpFile(current.path(), others).path, beside.filePath("Varnel.HLP"));
    writeFile(shipped.filePath("Varnel.HLP"), "<p>shipped</p>");
    EXPECT_EQ(findHelpFile(current.path(), others).path, shipped.filePath("Varnel.HLP"));
    writeFile(current.filePath("Varnel.HLP"), "<p>current</p>");
    EXPECT_EQ(findHelpFile(current.path(), others).path, current.filePath("Varnel.HLP"))
        << "the current directory comes first";
    EXPECT_EQ(findHelpFile(beside.path() + "/", {beside.path()}).searched.size(), 1);
}

// Run from the build, the help comes from the source tree's data/ when the
// roster's folder has none.
TEST(HelpFileLookup, FindsTheShippedFileFromTheBuild)
{
    QTemporaryDir current;
    const varnel::ui::HelpFileLookup lookup = findHelpFile(current.path(), varnel::ui::helpFileFolders());
    EXPECT_EQ(QFileInfo(lookup.path).canonicalFilePath(), QFileInfo(kShippedHelpFile).canonicalFilePath());
}

TEST(HelpViewer, ShowsTheFileAtItsStartOrSaysWhereItLooked)
{
    QTemporaryDir current, beside;
    HelpViewer viewer;
    EXPECT_FALSE(viewer.testAttribute(Qt::WA_QuitOnClose)) << "help must not keep the program running";

    viewer.showContents(current.path(), {beside.path()});
    const QString shown = viewer.browser()->toPlainText();
    EXPECT_TRUE(shown.contains("Varnel.HLP was not found")) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QDir::toNativeSeparators(current.path())));
    EXPECT_TRUE(shown.contains(QDir::toNativeSeparators(beside.path())));

    // Shown as HTML, not as its source, and read again on every request, at
    // its start.
    viewer.resize(400, 300);
    viewer.show();
    writeFile(beside.filePath("Varnel.HLP"), "<h1>Clerk's guide</h1><p style='margin-top:3000px'><a name='end'></a>end</p>");
    viewer.showContents(current.path(), {beside.path()});
    EXPECT_TRUE(viewer.browser()->toPlainText().startsWith("Clerk's guide"));
    viewer.browser()->scrollToAnchor("end");
    writeFile(beside.filePath("Varnel.HLP"), "<h1>Revised guide</h1><p style='margin-top:3000px'>end</p>");
    viewer.showContents(current.path(), {beside.path()});
    EXPECT_TRUE(viewer.browser()->toPlainText().startsWith("Revised guide"));
    EXPECT_EQ(viewer.browser()->verticalScrollBar()->value(), 0);
}

TEST(HelpViewer, HelpContentsReusesOneWindow)
{
    const QString saved = QDir::currentPath();
    QTemporaryDir current;
    writeFile(current.filePath("Varnel.HLP"), "<h1>Roster help</h1>");
    ASSERT_TRUE(QDir::setCurrent(current.path()));

    varnel::ui::showHelpContents();
    HelpViewer* first = varnel::ui::currentHelpViewer();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    EXPECT_TRUE(first->browser()->toPlainText().contains("Roster help"));

    varnel::ui::showHelpContents();
    EXPECT_EQ(varnel::ui::currentHelpViewer(), first);
    int viewers = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        viewers += qobject_cast<HelpViewer*>(w) != nullptr;
    EXPECT_EQ(viewers, 1);

    first->close();
    varnel::ui::showHelpContents();
    EXPECT_EQ(varnel::ui::currentHelpViewer(), first) << "closing only hides the viewer";
    EXPECT_TRUE(first->isVisible());
    QApplication::setActiveWindow(first);
    QTest::keyClick(first->browser(), Qt::Key_Escape);
    EXPECT_FALSE(first->isVisible()) << "Escape puts the help away";
    QDir::setCurrent(saved);
}

TEST(HelpFile, AnswersTheClerksQuestionsWithWorkingLinks)
{
    const QString html = QString::fromUtf8(varnel::test::fileBytes(kShippedHelpFile));
    HelpViewer viewer;
    viewer.showContents(QFileInfo(kShippedHelpFile).path(), {});
    const QString text = viewer.browser()->toPlainText();

    // Every message the program can show is explained, word for word.
    for (const char* phrase : {"Entry for PEBD is not valid", "Entry for DOR is not valid",
                               "No APFT points added", "No Weapon Qualification points added",
                               "error number", "varnel-roster create", "Varnel_DATA.MDB", "TOTAL",
                               "Merit List", "Worksheets", "NCOES Course", "Sort", "Delete", "Add",
                               "Update", "30.4375"})
        EXPECT_TRUE(text.contains(QLatin1String(phrase))) << phrase;

    // Every link inside the file has its target.
    QSet<QString> anchors;
    for (const auto& m : QRegularExpression(R"re(<a name="([^"]+)")re").globalMatch(html))
        anchors.insert(m.captured(1));
    int links = 0;
    for (const auto& m : QRegularExpression(R"re(<a href="#([^"]+)")re").globalMatch(html)) {
        ++links;
        EXPECT_TRUE(anchors.contains(m.captured(1))) << "broken link #" << m.captured(1).toStdString();
    }
    EXPECT_GE(links, 10);
}

// The points the help file promises are those the program counts.
TEST(HelpFile, PointTablesAgreeWithTheScoringRules)
{
    using varnel::store::Value;
    namespace points = varnel::points;
    const QString html = QString::fromUtf8(varnel::test::fileBytes(kShippedHelpFile));
    // The rows "<tr><td>KEY</td><td>...</td><td>POINTS</td></tr>" of the table with this id.
    auto rows = [&](const QString& id) {
        const qsizetype start = html.indexOf(QStringLiteral("<table id=\"%1\"").arg(id));
        EXPECT_GE(start, 0) << id.toStdString();
        const QRegularExpression row(R"(<tr><td>([^<]+)</td><td>([^<]+)</td><td>(\d+)</td></tr>)");
        QList<std::pair<QString, int>> found;
        for (const auto& m : row.globalMatch(html.mid(start, html.indexOf("</table>", start) - start)))
            found.append({m.captured(1), m.captured(3).toInt()});
        return found;
    };
    const auto apft = rows("apft-points"), weapons = rows("weapon-points"), awards = rows("award-points");
    EXPECT_EQ(apft.size(), 10);
    for (const auto& [band, score] : apft)
        EXPECT_EQ(points::ScoreAPFT(Value::text(band)).points, score) << band.toStdString();
    EXPECT_EQ(weapons.size(), 3);
    for (const auto& [code, score] : weapons)
        EXPECT_EQ(points::ScoreWeapon(Value::text(code)).points, score) << code.toStdString();
    // Awards: one flag of each kind alone, in the order MSM, ARCOM, AAM, LTR/COM.
    ASSERT_EQ(awards.size(), 4);
    const int firstFlag[] = {0, 2, 5, 8};
    for (int i = 0; i < 4; ++i) {
        points::AwardFlags flags;
        flags.fill(Value::boolean(false));
        flags[firstFlag[i]] = Value::boolean(true);
        EXPECT_EQ(points::ScoreAwards(flags), awards[i].second) << awards[i].first.toStdString();
    }
}
