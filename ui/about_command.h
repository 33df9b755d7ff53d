#pragma once

#include <QPointer>

namespace varnel::ui {

class AboutBox;

// Help > About...: shows the one About box, modeless and without an owner
// window, so the main window stays usable while it is open.
//
// The box is created on the first run and reused: "OK" only hides it, and
// the next run shows the same box. Closing it through its window frame
// destroys it, and the next run creates it anew. The box never keeps the
// program running; whatever box is left when the command is destroyed goes
// with it.
class AboutCommand {
public:
    AboutCommand() = default;
    ~AboutCommand();
    AboutCommand(const AboutCommand&) = delete;
    AboutCommand& operator=(const AboutCommand&) = delete;

    void run();

    // The current box, or null before the first run and after the box was
    // closed through its frame.
    AboutBox* box() const;

private:
    QPointer<AboutBox> box_;
};

} // namespace varnel::ui
