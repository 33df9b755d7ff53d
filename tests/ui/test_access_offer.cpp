// Start-up on a folder whose Varnel_DATA.MDB is an Access file, as the
// written program left it: the clerk is offered the conversion; Yes brings
// the soldiers across and keeps the Access file beside them, No ends as
// before with the command to run, and nothing is lost either way.
#include "ui_fixture.h"

#include "store/recordset.h"
#include "ui/application.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace varnel::ui::test {

namespace {

const QString kAccessRoster = QStringLiteral(VARNEL_SOURCE_DIR "/tests/legacy/data/soldier-jet4-access2000.mdb");

QStringList entries(const QString& dir)
{
    QStringList names = QDir(dir).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden);
    names.sort();
    return names;
}

} // namespace

TEST(AccessOffer, ConvertsOnYesAndKeepsTheAccessFile)
{
    const QByteArray access = fileBytes(kAccessRoster);
    ASSERT_FALSE(access.isEmpty());
    const struct {
        const char* name;
        QList<int> answers;          // Yes 0, No 1
        bool damaged;                // the Access file cut short
        bool keptNameTaken;          // "Varnel_DATA (Access).MDB" is already there
        bool opens;
        QStringList after;           // the folder afterwards
        QString lastBox;             // the beginning of the last box's text
    } cases[] = {
        {"Yes", {0}, false, false, true, {"Varnel_DATA (Access).MDB", "Varnel_DATA.MDB"},
         "Brought 300 soldiers across from the Access file. It is kept unchanged as \"Varnel_DATA (Access).MDB\"."},
        {"Yes, the first name for the Access file taken", {0}, false, true, true,
         {"Varnel_DATA (Access 2).MDB", "Varnel_DATA (Access).MDB", "Varnel_DATA.MDB"},
         "Brought 300 soldiers across from the Access file. It is kept unchanged as \"Varnel_DATA (Access 2).MDB\"."},
        {"No", {1}, false, false, false, {"Varnel_DATA.MDB"}, "26: The roster file"},
        {"Yes, but the file is damaged", {0}, true, false, false, {"Varnel_DATA.MDB"}, "3049: Record 2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir folder;
        const QString roster = folder.filePath("Varnel_DATA.MDB");
        QByteArray bytes = access;
        if (c.damaged)
            bytes.truncate(120 * 1024); // the long memo's page lost
        writeFile(roster, bytes);
        if (c.keptNameTaken)
            writeFile(folder.filePath("Varnel_DATA (Access).MDB"), "the clerk's own file");

        RecordingBoxes boxes;
        boxes.answers = c.answers;
        MainFormParts parts;
        parts.messageBoxes = &boxes;
        MainForm form(std::move(parts));
        EXPECT_EQ(loadRoster(form, QDir::toNativeSeparators(folder.path())), c.opens);

        ASSERT_EQ(boxes.shown.size(), 2);
        const RecordingBoxes::Box& question = boxes.shown.first();
        EXPECT_EQ(question.caption, "Varnel");
        EXPECT_TRUE(question.text.startsWith("Varnel_DATA.MDB in this folder is an Access database")) << qPrintable(question.text);
        EXPECT_EQ(question.buttons, (QStringList{"&Yes", "&No"}));
        EXPECT_EQ(question.escapeButton, 1) << "Escape answers No";
        EXPECT_TRUE(boxes.shown.last().text.startsWith(c.lastBox)) << qPrintable(boxes.shown.last().text);

        EXPECT_EQ(entries(folder.path()), c.after);
        const QString keptAs = folder.filePath(c.keptNameTaken ? "Varnel_DATA (Access 2).MDB" : "Varnel_DATA (Access).MDB");
        if (c.opens) {
            EXPECT_EQ(fileBytes(keptAs), access) << "the Access file unchanged";
            EXPECT_EQ(form.binding().recordset().recordCount(), 300);
            EXPECT_EQ(form.binding().shownValue("Name").asText(), "Müller, Zoë") << "the roster opened in name order";
            if (c.keptNameTaken) {
                EXPECT_EQ(fileBytes(folder.filePath("Varnel_DATA (Access).MDB")), "the clerk's own file");
            }
        } else {
            EXPECT_EQ(fileBytes(roster), bytes) << "the Access file where it was";
        }
        if (!c.answers.first()) {
            continue;
        }
        // No: the message shows the command that converts the file.
        const QString nativeKept = QDir::toNativeSeparators(folder.filePath("Varnel_DATA (Access).MDB"));
        EXPECT_TRUE(boxes.shown.last().text.contains("varnel-roster import \"" + nativeKept + "\""))
            << qPrintable(boxes.shown.last().text);
    }
}

TEST(AccessOffer, AskNothingOfARosterThatIsNoAccessFile)
{
    RosterFile roster;
    roster.insertNames({"ADAMS, JOHN"});
    RecordingBoxes boxes; // no answers: a question would fail the test
    MainFormParts parts;
    parts.messageBoxes = &boxes;
    MainForm form(std::move(parts));
    EXPECT_TRUE(loadRoster(form, roster.directory()));
    EXPECT_TRUE(boxes.shown.isEmpty());
    EXPECT_EQ(entries(roster.directory()), QStringList{"Varnel_DATA.MDB"});
}

} // namespace varnel::ui::test
