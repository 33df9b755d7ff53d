#include "ui/bound_combo_box.h"

#include "store/value.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWheelEvent>

namespace varnel::ui {

BoundComboBox::BoundComboBox(const QString& dataField, QWidget* parent)
    : QComboBox(parent)
    , BindingLink(dataField)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    setDuplicatesEnabled(true);
    // Typed text and picked entries both arrive here; the value shown by
    // the binding is filtered out by report().
    connect(this, &QComboBox::editTextChanged, this, [this](const QString& text) {
        report(textFieldValue(text));
    });
}

void BoundComboBox::showValue(const store::Value& value)
{
    const QString text = value.displayText();
    if (long_.concerns(text)) {
        ShowingValue showing(*this);
        long_.show(*this, text, locked_, [this](bool locked) {
            locked_ = locked;
            lineEdit()->setReadOnly(locked);
        });
        setCurrentIndex(-1);
        if (long_.isActive())
            showLongValue();
        else
            setEditText(text);
        return;
    }
    if (text == currentText())
        return;
    ShowingValue showing(*this);
    setCurrentIndex(-1);
    setEditText(text);
}

void BoundComboBox::showLongValue()
{
    ShowingValue showing(*this);
    setEditText(long_.fitted(lineEdit()->fontMetrics(), long_value::textRoom(*lineEdit())));
    lineEdit()->setCursorPosition(0);
}

void BoundComboBox::addEntries(const QStringList& entries)
{
    ShowingValue showing(*this);
    const QString shown = currentText();
    addItems(entries);
    setCurrentIndex(-1);
    setEditText(shown);
}

void BoundComboBox::showPopup()
{
    if (!locked_)
        QComboBox::showPopup();
}

void BoundComboBox::keyPressEvent(QKeyEvent* event)
{
    // The keys that step through the list.
    const bool stepsThroughList = event->key() == Qt::Key_Up || event->key() == Qt::Key_Down
        || event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown;
    if (locked_ && stepsThroughList) {
        event->accept();
        return;
    }
    QComboBox::keyPressEvent(event);
}

void BoundComboBox::wheelEvent(QWheelEvent* event)
{
    if (locked_) {
        event->ignore();
        return;
    }
    QComboBox::wheelEvent(event);
}

void BoundComboBox::resizeEvent(QResizeEvent* event)
{
    QComboBox::resizeEvent(event);
    if (long_.isActive())
        showLongValue();
}

void BoundComboBox::changeEvent(QEvent* event)
{
    QComboBox::changeEvent(event);
    if (event->type() == QEvent::FontChange && long_.isActive())
        showLongValue();
}

} // namespace varnel::ui
