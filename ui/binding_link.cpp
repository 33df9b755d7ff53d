#include "ui/binding_link.h"

#include "store/data_control.h"
#include "store/value.h"
#include "ui/handler.h"

namespace varnel::ui {

BindingLink::~BindingLink()
{
    unbind();
}

void BindingLink::bind(store::DataControl& data1, const Handler& handler)
{
    unbind();
    data1_ = &data1;
    handler_ = &handler;
    // Registering shows the binding's present value.
    data1.registerControl(this);
}

void BindingLink::unbind()
{
    if (data1_)
        data1_->unregisterControl(this);
    data1_ = nullptr;
}

void BindingLink::report(const store::Value& value)
{
    if (showing_ || !data1_)
        return;
    store::DataControl* data1 = data1_;
    handler_->run([&] { data1->setPending(dataField_, value); });
}

store::Value textFieldValue(const QString& text)
{
    return text.isEmpty() ? store::Value::null() : store::Value::text(text);
}

} // namespace varnel::ui
