#pragma once

#include "ui/binding_link.h"
#include "ui/long_value.h"
#include "ui/typing_limit_line_edit.h"

namespace varnel::ui {

// A plain one-line text entry bound to a text field. Its typing limit
// (the request-dates setting) never cuts a longer stored value. A value
// longer than any clerk types is shown by its beginning, read-only, as
// ui/long_value.h says.
class BoundLineEdit : public TypingLimitLineEdit, public BindingLink {
    Q_OBJECT
public:
    BoundLineEdit(const QString& dataField, QWidget* parent = nullptr);

    void showValue(const store::Value& value) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void showLongValue();

    long_value::Shown long_;
};

} // namespace varnel::ui
