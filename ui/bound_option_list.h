#pragma once

#include "ui/binding_link.h"

#include <QGroupBox>
#include <QList>
#include <QString>

class QButtonGroup;
class QRadioButton;

namespace varnel::ui {

// A captioned box of mutually exclusive options bound to one text field.
// Each item has a code and a text; the box shows the texts, marking an item
// stores its code, and a field holding a code shows that item marked (codes
// compare exactly). Any other value shows no item marked. The items are one
// tab stop; the arrow keys move between them.
class BoundOptionList : public QGroupBox, public BindingLink {
    Q_OBJECT
public:
    BoundOptionList(const QString& caption, const QString& dataField, QWidget* parent = nullptr);

    // One item per line, "code;text", the lines separated by CR LF.
    void setItems(const QString& list);

    int count() const { return int(codes_.size()); }
    QString code(int item) const { return codes_.value(item); }
    QRadioButton* button(int item) const;
    // The marked item, or -1.
    int markedItem() const;
    QString markedCode() const { return code(markedItem()); }

    void showValue(const store::Value& value) override;

protected:
    // Tab and Shift+Tab arrive at the marked item, not the first.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void mark(int item);

    QButtonGroup* group_;
    QStringList codes_;
};

} // namespace varnel::ui
