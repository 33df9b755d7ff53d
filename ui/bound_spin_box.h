#pragma once

#include "ui/binding_link.h"
#include "ui/long_value.h"

#include <QAbstractSpinBox>
#include <optional>

namespace varnel::ui {

// A whole-number entry with up and down arrows, bound to a number field.
// The program sets no range of its own: any 64-bit whole number, or no value
// (empty text). What the user types is reported as it is typed, so a command
// started by its access key sees it too. A stored text longer than any clerk
// types is shown by its beginning, read-only (ui/long_value.h).
class BoundSpinBox : public QAbstractSpinBox, public BindingLink {
    Q_OBJECT
public:
    explicit BoundSpinBox(const QString& dataField, QWidget* parent = nullptr);

    // No value while empty.
    std::optional<qint64> number() const { return number_; }

    void showValue(const store::Value& value) override;

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;

protected:
    StepEnabled stepEnabled() const override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    static std::optional<qint64> parse(const QString& text, bool* ok);
    void onTextEdited(const QString& text);
    void setNumber(std::optional<qint64> number, bool byUser);
    void showLongValue();

    std::optional<qint64> number_;
    long_value::Shown long_;
};

} // namespace varnel::ui
