#include "store/value.h"

#include "common/date_text.h"
#include "common/failure.h"
#include "common/failure_numbers.h"

#include <cmath>
#include <limits>

#include <QCoreApplication>

namespace varnel::store {

Value Value::null()
{
    Value v;
    v.kind_ = Kind::Null;
    return v;
}

Value Value::text(const QString& text)
{
    Value v;
    v.kind_ = Kind::Text;
    v.data_ = text;
    return v;
}

Value Value::integer(qint64 number)
{
    Value v;
    v.kind_ = Kind::Integer;
    v.data_ = number;
    return v;
}

Value Value::real(double number)
{
    Value v;
    v.kind_ = Kind::Real;
    v.data_ = number;
    return v;
}

Value Value::boolean(bool flag)
{
    Value v;
    v.kind_ = Kind::Boolean;
    v.data_ = flag;
    return v;
}

Value Value::date(const QDate& date)
{
    return Value::date(QDateTime(date, QTime(0, 0), Qt::UTC));
}

Value Value::date(const QDateTime& dateTime)
{
    Value v;
    v.kind_ = Kind::Date;
    // Dates are calendar values: kept in UTC so no daylight-saving gap can
    // make a stored date-time invalid.
    v.data_ = QDateTime(dateTime.date(), dateTime.time(), Qt::UTC);
    v.hasTime_ = dateTime.time() != QTime(0, 0);
    return v;
}

bool Value::isNumeric() const
{
    return kind_ == Kind::Empty || kind_ == Kind::Integer || kind_ == Kind::Real || kind_ == Kind::Boolean;
}

QString Value::asText() const
{
    switch (kind_) {
    case Kind::Text: return std::get<QString>(data_);
    default: return displayText();
    }
}

qint64 Value::asInteger() const
{
    switch (kind_) {
    case Kind::Integer: return std::get<qint64>(data_);
    case Kind::Real: return qint64(std::llround(std::get<double>(data_)));
    case Kind::Boolean: return std::get<bool>(data_) ? -1 : 0;
    default: return 0;
    }
}

double Value::asReal() const
{
    switch (kind_) {
    case Kind::Real: return std::get<double>(data_);
    case Kind::Integer: return double(std::get<qint64>(data_));
    case Kind::Boolean: return std::get<bool>(data_) ? -1.0 : 0.0;
    default: return 0.0;
    }
}

bool Value::asBoolean() const
{
    switch (kind_) {
    case Kind::Boolean: return std::get<bool>(data_);
    case Kind::Integer: return std::get<qint64>(data_) != 0;
    case Kind::Real: return std::get<double>(data_) != 0.0;
    default: return false;
    }
}

QDateTime Value::asDateTime() const
{
    return kind_ == Kind::Date ? std::get<QDateTime>(data_) : QDateTime();
}

QString Value::displayText() const
{
    switch (kind_) {
    case Kind::Empty:
    case Kind::Null: return QString();
    case Kind::Text: return std::get<QString>(data_);
    case Kind::Integer: return QString::number(std::get<qint64>(data_));
    case Kind::Real: return QString::number(std::get<double>(data_), 'g', 15);
    case Kind::Boolean: return std::get<bool>(data_) ? QStringLiteral("True") : QStringLiteral("False");
    case Kind::Date: return generalDateText(std::get<QDateTime>(data_), hasTime_);
    }
    return QString();
}

bool operator==(const Value& a, const Value& b)
{
    return a.kind_ == b.kind_ && a.data_ == b.data_ && a.hasTime_ == b.hasTime_;
}

Value operator+(const Value& a, const Value& b)
{
    if (a.isNull() || b.isNull())
        return Value::null();
    if (a.isEmpty() && b.isEmpty())
        return Value();
    if (!a.isNumeric() || !b.isNumeric())
        throw Failure(RecordsetError::TypeMismatch,
                      QCoreApplication::translate("varnel::store", "Type mismatch: cannot add \"%1\" and \"%2\".").arg(a.displayText(), b.displayText()));
    if (a.kind() == Value::Kind::Real || b.kind() == Value::Kind::Real)
        return Value::real(a.asReal() + b.asReal());
    // Whole numbers come from the file as they were stored: two of them can
    // sum past the largest whole number, which is refused, not wrapped.
    const qint64 x = a.asInteger();
    const qint64 y = b.asInteger();
    if ((y > 0 && x > std::numeric_limits<qint64>::max() - y) || (y < 0 && x < std::numeric_limits<qint64>::min() - y))
        throw Failure(RecordsetError::Overflow, QStringLiteral("Overflow."));
    return Value::integer(x + y);
}

namespace {
template <typename T>
std::partial_ordering order(const T& a, const T& b)
{
    if (a < b)
        return std::partial_ordering::less;
    if (b < a)
        return std::partial_ordering::greater;
    return std::partial_ordering::equivalent;
}
} // namespace

std::partial_ordering compare(const Value& a, const Value& b)
{
    if (a.isNull() || b.isNull())
        return std::partial_ordering::unordered;
    if (a.isEmpty() && b.isEmpty())
        return std::partial_ordering::equivalent;
    // Empty takes the shape of the other side: "" against text, 0 otherwise.
    if (a.isText() || b.isText()) {
        if (!(a.isText() || a.isEmpty()) || !(b.isText() || b.isEmpty()))
            return std::partial_ordering::unordered;
        const int c = a.asText().compare(b.asText(), Qt::CaseSensitive);
        return c < 0 ? std::partial_ordering::less : c > 0 ? std::partial_ordering::greater : std::partial_ordering::equivalent;
    }
    if (a.isDate() && b.isDate())
        return order(a.asDateTime(), b.asDateTime());
    if (a.isDate() || b.isDate())
        return std::partial_ordering::unordered;
    if (a.kind() == Value::Kind::Real || b.kind() == Value::Kind::Real)
        return order(a.asReal(), b.asReal());
    return order(a.asInteger(), b.asInteger());
}

} // namespace varnel::store
