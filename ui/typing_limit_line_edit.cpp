#include "ui/typing_limit_line_edit.h"

#include <QApplication>

namespace varnel::ui {

TypingLimitLineEdit::TypingLimitLineEdit(QWidget* parent)
    : QLineEdit(parent)
{
    connect(this, &QLineEdit::textEdited, this, &TypingLimitLineEdit::onTextEdited);
    // Read text() rather than the signal's argument: after a refused edit
    // QLineEdit still reports the refused text once.
    connect(this, &QLineEdit::textChanged, this, [this] { accepted_ = text(); });
    connect(this, &QLineEdit::cursorPositionChanged, this, [this] { acceptedCursor_ = cursorPosition(); });
}

void TypingLimitLineEdit::onTextEdited(const QString& text)
{
    const bool tooLong = typingLimit_ > 0 && text.size() > typingLimit_ && text.size() > accepted_.size();
    if (tooLong) {
        // Refuse the keystroke or paste as a whole: back to the text before
        // it, with the cursor where it stood.
        const QString before = accepted_;
        const int cursor = acceptedCursor_;
        setText(before);
        setCursorPosition(cursor);
        QApplication::beep();
        return;
    }
    emit userEdited(text);
}

} // namespace varnel::ui
