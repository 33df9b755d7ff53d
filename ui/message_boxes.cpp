#include "ui/message_boxes.h"

#include <QPushButton>
#include <QWidget>

namespace varnel::ui {

QWidget* QtMessageBoxes::visibleParent() const
{
    // A hidden parent (the window during Sort) would centre the box on
    // nothing; show it on its own then.
    return parent_ && parent_->isVisible() ? parent_.data() : nullptr;
}

void QtMessageBoxes::show(const QString& caption, const QString& text, QMessageBox::Icon icon)
{
    QMessageBox box(icon, caption, text, QMessageBox::Ok, visibleParent());
    box.exec();
}

int QtMessageBoxes::ask(const Question& question)
{
    QMessageBox box(question.icon, question.caption, question.text, QMessageBox::NoButton, visibleParent());
    if (question.detailsExpandable)
        box.setDetailedText(question.details);
    else
        box.setInformativeText(question.details);
    QList<QPushButton*> buttons;
    for (const QString& caption : question.buttons)
        buttons << box.addButton(caption, QMessageBox::AcceptRole);
    if (!buttons.isEmpty())
        box.setDefaultButton(buttons.first());
    // Without an escape button QMessageBox ignores Escape and the close
    // button of its frame: only a button answers.
    if (question.escapeButton >= 0 && question.escapeButton < buttons.size())
        box.setEscapeButton(buttons.at(question.escapeButton));
    box.exec();
    const int pressed = int(buttons.indexOf(qobject_cast<QPushButton*>(box.clickedButton())));
    return pressed >= 0 ? pressed : question.escapeButton;
}

} // namespace varnel::ui
