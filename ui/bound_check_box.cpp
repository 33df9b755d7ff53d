#include "ui/bound_check_box.h"

#include "store/value.h"

namespace varnel::ui {

BoundCheckBox::BoundCheckBox(const QString& caption, const QString& dataField, QWidget* parent)
    : QCheckBox(caption, parent)
    , BindingLink(dataField)
{
    connect(this, &QCheckBox::toggled, this, [this](bool checked) {
        report(store::Value::boolean(checked));
    });
}

void BoundCheckBox::showValue(const store::Value& value)
{
    ShowingValue showing(*this);
    // Any non-zero number counts as True, as the roster file stores Yes/No.
    setChecked(value.hasValue() && value.isNumeric() && value.asInteger() != 0);
}

} // namespace varnel::ui
