#pragma once

#include <QDateTime>
#include <QString>
#include <compare>
#include <variant>

namespace varnel::store {

// A field or working value. It is in one of three states:
//  - empty: a working value that nothing was assigned to yet;
//  - no value: the database's NULL;
//  - a value: text, whole number, double, Yes/No or date.
// Sums and comparisons follow the roster's value rules: empty counts as 0
// (or as "" against text), no value in a sum makes the sum no value, and a
// comparison with no value is never true.
class Value {
public:
    enum class Kind { Empty, Null, Text, Integer, Real, Boolean, Date };

    Value() = default; // empty

    static Value null();
    static Value text(const QString& text);
    static Value integer(qint64 number);
    static Value real(double number);
    static Value boolean(bool flag);
    static Value date(const QDate& date);
    // A date with a time of day; a midnight time is kept as a plain date.
    static Value date(const QDateTime& dateTime);

    Kind kind() const { return kind_; }
    bool isEmpty() const { return kind_ == Kind::Empty; }
    bool isNull() const { return kind_ == Kind::Null; }
    bool hasValue() const { return !isEmpty() && !isNull(); }
    bool isText() const { return kind_ == Kind::Text; }
    bool isDate() const { return kind_ == Kind::Date; }
    bool isBoolean() const { return kind_ == Kind::Boolean; }
    // Integer, Real and Boolean take part in arithmetic; so does empty (as 0).
    bool isNumeric() const;

    // The content; each is meaningful only for its own kind (and converts
    // between the numeric kinds: True is -1, False 0, empty 0).
    QString asText() const;
    qint64 asInteger() const;
    double asReal() const;
    bool asBoolean() const;
    QDateTime asDateTime() const;
    bool hasTimeOfDay() const { return kind_ == Kind::Date && hasTime_; }

    // Text a person reads: dates as the US general date, m/d/yyyy (with
    // "h:mm:ss AM" when a time is set), Yes/No as "True"/"False", no value
    // and empty as "".
    QString displayText() const;

    // Identity: the same state and the same content (no value equals no
    // value here). For containers and tests, not for the program's rules.
    friend bool operator==(const Value& a, const Value& b);

    // The program's addition: empty adds as 0, no value makes the sum no
    // value. Throws varnel::Failure (type mismatch) for text or dates.
    friend Value operator+(const Value& a, const Value& b);

private:
    Kind kind_ = Kind::Empty;
    std::variant<std::monostate, QString, qint64, double, bool, QDateTime> data_;
    bool hasTime_ = false;
};

// The program's comparison: unordered whenever either side is no value, so
// every comparison with no value is false. Empty compares as 0 against a
// number and as "" against text; text compares exactly, by code points.
std::partial_ordering compare(const Value& a, const Value& b);

inline bool isEqual(const Value& a, const Value& b) { return compare(a, b) == std::partial_ordering::equivalent; }
inline bool isGreater(const Value& a, const Value& b) { return compare(a, b) == std::partial_ordering::greater; }
inline bool isLess(const Value& a, const Value& b) { return compare(a, b) == std::partial_ordering::less; }

} // namespace varnel::store
