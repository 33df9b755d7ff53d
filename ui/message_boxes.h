#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QStringList>

class QWidget;

namespace varnel::ui {

// A question the clerk answers in a modal box by pressing one of its buttons.
struct Question {
    QString caption;
    QString text;
    QString details; // further lines under the text
    // The details in a scrolling area the clerk opens, for long lists.
    bool detailsExpandable = false;
    QMessageBox::Icon icon = QMessageBox::Question;
    QStringList buttons; // captions with access keys; the first is the default
    // The button that Escape and the window's close press; -1 for none: the
    // question must be answered with a button.
    int escapeButton = -1;
};

// Everything the window shows in a modal message box goes through here, so
// tests can record the messages instead of blocking on them.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // A modal box with an OK button; returns when it is closed.
    virtual void show(const QString& caption, const QString& text, QMessageBox::Icon icon) = 0;
    // A modal question; returns the index of the button pressed.
    virtual int ask(const Question& question) = 0;
};

// The real boxes: QMessageBox, over the given window while it is visible.
class QtMessageBoxes : public MessageBoxes {
public:
    // `parent` is the window the boxes stand over, not an owner.
    explicit QtMessageBoxes(QWidget* parent = nullptr) : parent_(parent) {}
    void show(const QString& caption, const QString& text, QMessageBox::Icon icon) override;
    int ask(const Question& question) override;

private:
    QWidget* visibleParent() const;

    QPointer<QWidget> parent_;
};

} // namespace varnel::ui
