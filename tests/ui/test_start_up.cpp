// Opening the roster at start-up: a folder without a roster gets the
// engine's failure and the way to make one; any other failure stands as the
// engine gives it.
#include "ui_fixture.h"

#include "ui/application.h"

#include <QDir>
#include <QTemporaryDir>

namespace varnel::ui::test {

TEST(StartUp, AFolderWithoutARosterIsToldHowToMakeOne)
{
    const struct {
        const char* name;
        const char* rosterBytes;  // nullptr: no file
        const char* number;
        bool hint;
    } cases[] = {
        {"no roster file", nullptr, "14: ", true},
        {"a file that is no database", "this is not a roster, only some text that fills a page or so........",
         "26: ", false},
        // Opened to be read, a pipe would wait for a writer for ever.
        {"a pipe under the name", "<fifo>", "14: ", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir folder;
        const QString roster = QDir::toNativeSeparators(folder.filePath("Varnel_DATA.MDB"));
        if (c.rosterBytes && qstrcmp(c.rosterBytes, "<fifo>") == 0)
            ASSERT_EQ(runProgram("mkfifo", {roster}), 0);
        else if (c.rosterBytes)
            writeFile(roster, c.rosterBytes);
        RecordingBoxes boxes;
        MainFormParts parts;
        parts.messageBoxes = &boxes;
        MainForm form(std::move(parts));
        EXPECT_FALSE(loadRoster(form, QDir::toNativeSeparators(folder.path())));
        ASSERT_EQ(boxes.shown.size(), 1);
        const QString text = boxes.shown[0].text;
        EXPECT_TRUE(text.startsWith(c.number)) << text.toStdString();
        EXPECT_EQ(text.contains("varnel-roster create \"" + roster + "\""), c.hint) << text.toStdString();
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::System).contains("Varnel_DATA.MDB"), c.rosterBytes != nullptr)
            << "Varnel never makes the roster";
    }
}

} // namespace varnel::ui::test
