#include "ui/bound_spin_box.h"

#include "store/value.h"

#include <QEvent>
#include <QLineEdit>
#include <cmath>
#include <limits>

namespace varnel::ui {

namespace {
constexpr qint64 kLowest = std::numeric_limits<qint64>::min();
constexpr qint64 kHighest = std::numeric_limits<qint64>::max();
} // namespace

BoundSpinBox::BoundSpinBox(const QString& dataField, QWidget* parent)
    : QAbstractSpinBox(parent)
    , BindingLink(dataField)
{
    setAccelerated(true);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    connect(lineEdit(), &QLineEdit::textEdited, this, &BoundSpinBox::onTextEdited);
}

std::optional<qint64> BoundSpinBox::parse(const QString& text, bool* ok)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        *ok = true;
        return std::nullopt;
    }
    const qint64 number = trimmed.toLongLong(ok);
    return *ok ? std::optional<qint64>(number) : std::nullopt;
}

QValidator::State BoundSpinBox::validate(QString& input, int&) const
{
    const QString trimmed = input.trimmed();
    if (trimmed == u'-' || trimmed == u'+')
        return QValidator::Intermediate;
    bool ok = false;
    parse(input, &ok);
    return ok ? QValidator::Acceptable : QValidator::Invalid;
}

void BoundSpinBox::fixup(QString& input) const
{
    input = number_ ? QString::number(*number_) : QString();
}

void BoundSpinBox::onTextEdited(const QString& text)
{
    bool ok = false;
    const std::optional<qint64> number = parse(text, &ok);
    if (ok)
        setNumber(number, true);
}

void BoundSpinBox::setNumber(std::optional<qint64> number, bool byUser)
{
    number_ = number;
    if (byUser)
        report(number ? store::Value::integer(*number) : store::Value::null());
}

void BoundSpinBox::stepBy(int steps)
{
    // Stepping from no value starts at 0; the ends of the range hold.
    const qint64 from = number_.value_or(0);
    qint64 to = from;
    if (steps > 0)
        to = from > kHighest - steps ? kHighest : from + steps;
    else if (steps < 0)
        to = from < kLowest - steps ? kLowest : from + steps;
    lineEdit()->setText(QString::number(to));
    setNumber(to, true);
    selectAll();
}

QAbstractSpinBox::StepEnabled BoundSpinBox::stepEnabled() const
{
    if (isReadOnly())
        return StepNone;
    StepEnabled enabled = StepNone;
    if (!number_ || *number_ < kHighest)
        enabled |= StepUpEnabled;
    if (!number_ || *number_ > kLowest)
        enabled |= StepDownEnabled;
    return enabled;
}

void BoundSpinBox::showValue(const store::Value& value)
{
    ShowingValue showing(*this);
    const bool whole = value.kind() == store::Value::Kind::Integer
        || (value.kind() == store::Value::Kind::Real && std::trunc(value.asReal()) == value.asReal()
            && std::abs(value.asReal()) < 9.0e18);
    // Anything but a whole number (no value, or something that is not a
    // number) is shown as it stands, and treated as no number until the
    // user types one.
    number_ = whole ? std::optional<qint64>(value.asInteger()) : std::nullopt;
    const QString text = whole ? QString::number(*number_) : value.displayText();
    if (long_.concerns(text)) {
        long_.show(*this, text, isReadOnly(), [this](bool readOnly) { setReadOnly(readOnly); });
        if (long_.isActive()) {
            showLongValue();
            return;
        }
    }
    lineEdit()->setText(text);
}

void BoundSpinBox::showLongValue()
{
    ShowingValue showing(*this);
    lineEdit()->setText(long_.fitted(lineEdit()->fontMetrics(), long_value::textRoom(*lineEdit())));
    lineEdit()->setCursorPosition(0);
}

void BoundSpinBox::resizeEvent(QResizeEvent* event)
{
    QAbstractSpinBox::resizeEvent(event);
    if (long_.isActive())
        showLongValue();
}

void BoundSpinBox::changeEvent(QEvent* event)
{
    QAbstractSpinBox::changeEvent(event);
    if (event->type() == QEvent::FontChange && long_.isActive())
        showLongValue();
}

} // namespace varnel::ui
