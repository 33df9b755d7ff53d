#include "ui/about_command.h"

#include "ui/about_box.h"

namespace varnel::ui {

AboutCommand::~AboutCommand()
{
    delete box_.data();
}

AboutBox* AboutCommand::box() const
{
    return box_.data();
}

void AboutCommand::run()
{
    if (!box_) {
        box_ = new AboutBox(nullptr);
        // Closing through the frame unloads the box; "OK" only hides it.
        box_->setAttribute(Qt::WA_DeleteOnClose);
    }
    box_->show();
    box_->raise();
    box_->activateWindow();
}

} // namespace varnel::ui
