#pragma once

#include "store/bound_control.h"

#include <QPointer>
#include <QString>

namespace varnel::store {
class DataControl;
class Value;
} // namespace varnel::store

namespace varnel::ui {

class Handler;

// What every bound control of the window shares: its data field, its
// registration with the binding, and the way a user's change reaches the
// binding as a pending value. Values the binding shows a control are not
// reported back (the control sets them inside a ShowingValue scope).
class BindingLink : public store::BoundControl {
public:
    explicit BindingLink(QString dataField) : dataField_(std::move(dataField)) {}
    ~BindingLink() override;
    BindingLink(const BindingLink&) = delete;
    BindingLink& operator=(const BindingLink&) = delete;

    QString dataField() const override { return dataField_; }

    // Registers with the binding and shows its current value. Failures of
    // the binding in reporting a change go to `handler`.
    void bind(store::DataControl& binding, const Handler& handler);
    void unbind();

protected:
    // The user changed the shown value.
    void report(const store::Value& value);
    bool isShowing() const { return showing_; }

    class ShowingValue {
    public:
        explicit ShowingValue(BindingLink& link) : link_(link), previous_(link.showing_) { link_.showing_ = true; }
        ~ShowingValue() { link_.showing_ = previous_; }
    private:
        BindingLink& link_;
        bool previous_;
    };

private:
    QString dataField_;
    QPointer<store::DataControl> binding_;
    const Handler* handler_ = nullptr;
    bool showing_ = false;
};

// What a bound text control stores for its text: empty text is no value.
store::Value textFieldValue(const QString& text);

} // namespace varnel::ui
