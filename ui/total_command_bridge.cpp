#include "ui/total_command_bridge.h"

#include "ui/bound_label.h"
#include "ui/message_boxes.h"

namespace varnel::ui {

void BoxMessageSink::show(const QString& caption, const QString& text, points::MessageIcon icon)
{
    boxes_->show(caption, text, icon == points::MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon);
}

void LabelTotalDate::setText(const QString& text)
{
    label_->setTextByCommand(text);
}

} // namespace varnel::ui
