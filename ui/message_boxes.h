#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QString>

class QWidget;

namespace varnel::ui {

// Everything the window shows in a modal message box goes through here, so
// tests can record the messages instead of blocking on them.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // A modal box with an OK button; returns when it is closed.
    virtual void show(const QString& caption, const QString& text, QMessageBox::Icon icon) = 0;
};

// The real boxes: QMessageBox, over the given window while it is visible.
class QtMessageBoxes : public MessageBoxes {
public:
    explicit QtMessageBoxes(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    void show(const QString& caption, const QString& text, QMessageBox::Icon icon) override;

private:
    QPointer<QWidget> parent_;
};

} // namespace varnel::ui
