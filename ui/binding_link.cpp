#include "ui/binding_link.h"

#include "store/data_control.h"
#include "store/value.h"
#include "ui/handler.h"

namespace varnel::ui {

BindingLink::~BindingLink()
{
    unbind();
}

void BindingLink::bind(store::DataControl& binding, const Handler& handler)
{
    unbind();
    binding_ = &binding;
    handler_ = &handler;
    // Registering shows the binding's present value.
    binding.registerControl(this);
}

void BindingLink::unbind()
{
    if (binding_)
        binding_->unregisterControl(this);
    binding_ = nullptr;
}

void BindingLink::report(const store::Value& value)
{
    if (showing_ || !binding_)
        return;
    store::DataControl* binding = binding_;
    handler_->run([&] { binding->setPending(dataField_, value); });
}

store::Value textFieldValue(const QString& text)
{
    return text.isEmpty() ? store::Value::null() : store::Value::text(text);
}

} // namespace varnel::ui
