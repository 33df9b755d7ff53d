#include "ui/bound_option_list.h"

#include "store/value.h"

#include <QButtonGroup>
#include <QFocusEvent>
#include <QRadioButton>
#include <QVBoxLayout>

namespace varnel::ui {

BoundOptionList::BoundOptionList(const QString& caption, const QString& dataField, QWidget* parent)
    : QGroupBox(caption, parent)
    , BindingLink(dataField)
    , group_(new QButtonGroup(this))
{
    group_->setExclusive(true);
    // A click and an arrow key both mark the item they reach.
    connect(group_, &QButtonGroup::idToggled, this, [this](int item, bool checked) {
        if (checked && !isShowing())
            report(store::Value::text(code(item)));
    });
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(0);
    layout->setContentsMargins(6, 0, 4, 2);
}

void BoundOptionList::setItems(const QString& list)
{
    for (QAbstractButton* button : group_->buttons()) {
        group_->removeButton(button);
        delete button;
    }
    codes_.clear();
    const QStringList lines = list.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        const qsizetype semicolon = line.indexOf(u';');
        const QString itemCode = semicolon < 0 ? line : line.left(semicolon);
        const QString itemText = semicolon < 0 ? line : line.mid(semicolon + 1);
        auto* button = new QRadioButton(itemText, this);
        button->setObjectName(objectName() + QStringLiteral("_") + itemCode);
        button->setAccessibleName(itemText);
        group_->addButton(button, int(codes_.size()));
        button->installEventFilter(this);
        layout()->addWidget(button);
        codes_.append(itemCode);
    }
}

bool BoundOptionList::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        const int marked = markedItem();
        if ((reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) && marked >= 0 && watched != button(marked)) {
            button(marked)->setFocus(reason);
            return true;
        }
    }
    return QGroupBox::eventFilter(watched, event);
}

QRadioButton* BoundOptionList::button(int item) const
{
    return qobject_cast<QRadioButton*>(group_->button(item));
}

int BoundOptionList::markedItem() const
{
    return group_->checkedId();
}

void BoundOptionList::showValue(const store::Value& value)
{
    ShowingValue showing(*this);
    mark(value.isText() ? int(codes_.indexOf(value.asText())) : -1);
}

void BoundOptionList::mark(int item)
{
    if (item >= 0) {
        button(item)->setChecked(true);
        return;
    }
    // An exclusive group keeps one button checked; let go of it to show none.
    group_->setExclusive(false);
    for (QAbstractButton* button : group_->buttons())
        button->setChecked(false);
    group_->setExclusive(true);
}

} // namespace varnel::ui
