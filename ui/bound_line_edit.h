#pragma once

#include "ui/binding_link.h"
#include "ui/typing_limit_line_edit.h"

namespace varnel::ui {

// A plain one-line text entry bound to a text field. Its typing limit
// (the request-dates setting) never cuts a longer stored value.
class BoundLineEdit : public TypingLimitLineEdit, public BindingLink {
    Q_OBJECT
public:
    BoundLineEdit(const QString& dataField, QWidget* parent = nullptr);

    void showValue(const store::Value& value) override;
};

} // namespace varnel::ui
