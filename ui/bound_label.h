#pragma once

#include "ui/binding_link.h"

#include <QLabel>

namespace varnel::ui {

// A read-only label that shows a field of the current record, centred.
// A command may set its text (the Total command's date stamp): that counts
// as a change of the field, pending like a user's edit.
class BoundLabel : public QLabel, public BindingLink {
    Q_OBJECT
public:
    BoundLabel(const QString& dataField, QWidget* parent = nullptr);

    void showValue(const store::Value& value) override;
    void setTextByCommand(const QString& text);
};

} // namespace varnel::ui
