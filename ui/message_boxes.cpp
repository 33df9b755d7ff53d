#include "ui/message_boxes.h"

#include <QWidget>

namespace varnel::ui {

void QtMessageBoxes::show(const QString& caption, const QString& text, QMessageBox::Icon icon)
{
    // A hidden parent (the window during Sort) would centre the box on
    // nothing; show it on its own then.
    QWidget* parent = parent_ && parent_->isVisible() ? parent_.data() : nullptr;
    QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace varnel::ui
