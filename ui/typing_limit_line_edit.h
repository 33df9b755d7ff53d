#pragma once

#include <QLineEdit>

namespace varnel::ui {

// A one-line entry whose length limit applies to what the user types or
// pastes only. QLineEdit::setMaxLength would also cut text set by the
// program, and a stored value longer than the limit must be shown and kept
// whole: here the user may shorten such text or change it at the same
// length, never lengthen it, and never type a text past the limit. Text set
// by the program (setText, a combo box's setEditText) is kept as it is.
class TypingLimitLineEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TypingLimitLineEdit(QWidget* parent = nullptr);

    // 0 is no limit.
    void setTypingLimit(int limit) { typingLimit_ = limit; }
    int typingLimit() const { return typingLimit_; }

signals:
    // The user changed the text (within the limit).
    void userEdited(const QString& text);

private:
    void onTextEdited(const QString& text);

    int typingLimit_ = 0;
    // The text and cursor before the edit being checked: QLineEdit reports
    // textEdited before textChanged and cursorPositionChanged.
    QString accepted_;
    int acceptedCursor_ = 0;
};

} // namespace varnel::ui
