#pragma once

#include "ui/binding_link.h"
#include "ui/long_value.h"

#include <QLabel>

namespace varnel::ui {

// A read-only label that shows a field of the current record, centred.
// A command may set its text (the Total command's date stamp): that counts
// as a change of the field, pending like a user's edit. A value longer than
// any clerk types is shown by its beginning (ui/long_value.h).
class BoundLabel : public QLabel, public BindingLink {
    Q_OBJECT
public:
    BoundLabel(const QString& dataField, QWidget* parent = nullptr);

    void showValue(const store::Value& value) override;
    void setTextByCommand(const QString& text);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void showText(const QString& text);
    void showLongValue();

    long_value::Shown long_;
};

} // namespace varnel::ui
