#include "reports/field_format.h"

#include "common/date_text.h"

#include <QDateTime>
#include <QRegularExpression>
#include <cmath>

namespace varnel::reports {

namespace {

bool isNumber(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

// A whole number without decimals, another number as a number. Text that is
// no number, and a number no whole number can hold (1e300, infinity, not a
// number), do not read as the format and show as stored.
QString integerText(const QVariant& value, const QString& text)
{
    if (value.metaType().id() == QMetaType::LongLong || value.metaType().id() == QMetaType::Int)
        return QString::number(value.toLongLong());
    bool ok = isNumber(value);
    const double number = ok ? value.toDouble() : text.trimmed().toDouble(&ok);
    // qint64's range, whose bounds -2^63 and 2^63 a double holds exactly;
    // not a number is outside it too.
    constexpr double kWholeRange = 9223372036854775808.0;
    if (!ok || !(number >= -kWholeRange && number < kWholeRange))
        return text;
    const auto whole = qint64(number);
    if (number == double(whole))
        return QString::number(whole);
    return QString::number(number);
}

QString formatted(const FieldSpec& spec, const QVariant& value, const QString& text, const QString& dateFormat)
{
    switch (spec.format) {
    case ValueFormat::Text:
        return text;
    case ValueFormat::Integer:
        return integerText(value, text);
    case ValueFormat::Date: {
        if (value.metaType().id() == QMetaType::QDate)
            return value.toDate().toString(dateFormat);
        if (value.metaType().id() == QMetaType::QDateTime)
            return value.toDateTime().date().toString(dateFormat);
        const auto date = parseDateText(text);
        return date ? date->date().toString(dateFormat) : text;
    }
    case ValueFormat::YesNo: {
        // Any non-zero number is Yes, as the roster stores Yes/No; what is
        // no number (not a number among them) shows as stored.
        bool ok = false;
        const double number = isNumber(value) ? value.toDouble() : text.trimmed().toDouble(&ok);
        if ((!isNumber(value) && !ok) || std::isnan(number))
            return text;
        return number != 0 ? QStringLiteral("Yes") : QStringLiteral("No");
    }
    }
    return text;
}

} // namespace

QString formatValue(const FieldSpec& spec, const QVariant& value, const QString& dateFormat)
{
    if (value.isNull())
        return spec.nullText;
    const QString text = value.toString();
    if (text.isEmpty())
        return spec.nullText;
    QString shown = formatted(spec, value, text, dateFormat);
    if (!spec.map.isEmpty()) {
        const auto it = spec.map.constFind(shown);
        if (it != spec.map.constEnd())
            return *it;
    }
    return shown;
}

} // namespace varnel::reports
