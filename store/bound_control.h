#pragma once

#include "store/value.h"

#include <QString>

namespace varnel::store {

// What a control bound to the roster offers the binding. The binding calls
// showValue whenever the current record changes, is stored or reloaded, with
// the field's value (no value when there is no current record). A control
// reports what the user changes through DataControl::setPending; it must
// not report the values the binding shows it.
class BoundControl {
public:
    virtual ~BoundControl() = default;
    // The column this control edits, by name.
    virtual QString dataField() const = 0;
    virtual void showValue(const Value& value) = 0;
};

} // namespace varnel::store
