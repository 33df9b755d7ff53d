#pragma once

#include "points/message_sink.h"
#include "points/total_date_label.h"

namespace varnel::ui {

class BoundLabel;
class MessageBoxes;

// The Total command's messages in the window's message boxes: the
// exclamation icon as a warning, otherwise no icon, the caption as given.
class BoxMessageSink final : public points::MessageSink {
public:
    explicit BoxMessageSink(MessageBoxes& boxes) : boxes_(&boxes) {}
    void show(const QString& caption, const QString& text, points::MessageIcon icon) override;

private:
    MessageBoxes* boxes_;
};

// The TotalDate label as the Total command sets it: the new text is shown
// and becomes the pending value of the record's TotalDate.
class LabelTotalDate final : public points::TotalDateLabel {
public:
    explicit LabelTotalDate(BoundLabel& label) : label_(&label) {}
    void setText(const QString& text) override;

private:
    BoundLabel* label_;
};

} // namespace varnel::ui
