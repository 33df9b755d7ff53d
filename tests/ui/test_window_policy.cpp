// The window's part of Sort: the window hidden and the hourglass shown
// around the store's reload (tests/store/record_commands_test.cpp).
#include "store/data_control.h"
#include "store/record_commands.h"
#include "ui/window_policy.h"

#include "support/roster_file.h"

#include <QFile>

namespace varnel::ui::test {
namespace {

using namespace varnel::test;

class RecordingSortView : public SortView {
public:
    QStringList calls;
    void setBusyPointer(bool busy) override { calls << (busy ? "hourglass" : "default pointer"); }
    void hideWindow() override { calls << "hide"; }
    void showWindow() override { calls << "show"; }
};

// Sort hides the window and brings it back in the same steps whether the
// reload works or fails; a failure goes on to the caller, the roster
// reloaded or left as it was.
TEST(SortCommand, HidesTheWindowAroundTheReloadAndBringsItBackFirstOnFailure)
{
    const QStringList sortSteps = {"hourglass", "hide", "show", "default pointer"};
    for (const bool fails : {false, true}) {
        SCOPED_TRACE(fails ? "the roster file is gone" : "the roster file is there");
        RosterFile file;
        file.insertNames({"BAKER, ERIC", "YOUNG, GRACE"});
        store::DataControl binding;
        store::loadRoster(binding, file.directory());
        store::addRecord(binding);
        binding.setPending("Name", store::Value::text("MILLER, SARAH"));
        if (fails)
            QFile::rename(file.path(), file.path() + ".moved");
        RecordingSortView view;
        EXPECT_EQ(failureNumber([&] { sortRoster(binding, view); }) != 0, fails);
        EXPECT_EQ(view.calls, sortSteps);
        if (fails) {
            QFile::rename(file.path() + ".moved", file.path());
        } else {
            EXPECT_EQ(file.names(), QStringList({"BAKER, ERIC", "YOUNG, GRACE", "MILLER, SARAH"})) << "the entry was stored";
            EXPECT_EQ(binding.recordset().position(), 1) << "the soldier who was current stays so, in his new place";
        }
    }
}

} // namespace
} // namespace varnel::ui::test
