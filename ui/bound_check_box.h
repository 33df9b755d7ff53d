#pragma once

#include "ui/binding_link.h"

#include <QCheckBox>

namespace varnel::ui {

// A check box bound to a Yes/No field: ticked for True; unticked for False
// and for no value. Ticking or clearing it stores True or False.
class BoundCheckBox : public QCheckBox, public BindingLink {
    Q_OBJECT
public:
    BoundCheckBox(const QString& caption, const QString& dataField, QWidget* parent = nullptr);

    void showValue(const store::Value& value) override;
};

} // namespace varnel::ui
