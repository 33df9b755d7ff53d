#include "reports/field_format.h"

#include <QDateTime>
#include <QRegularExpression>

namespace varnel::reports {

std::optional<QDate> readDate(const QString& text)
{
    static const QRegularExpression iso(QStringLiteral(
        R"(^\s*(\d{4})-(\d{1,2})-(\d{1,2})(?:[ T]\d{1,2}:\d{2}(?::\d{2}(?:\.\d+)?)?)?\s*$)"));
    static const QRegularExpression us(QStringLiteral(
        R"(^\s*(\d{1,2})/(\d{1,2})/(\d{4})(?:\s+\d{1,2}:\d{2}(?::\d{2})?(?:\s*[AaPp][Mm])?)?\s*$)"));
    int year = 0, month = 0, day = 0;
    if (const auto m = iso.match(text); m.hasMatch()) {
        year = m.captured(1).toInt();
        month = m.captured(2).toInt();
        day = m.captured(3).toInt();
    } else if (const auto m = us.match(text); m.hasMatch()) {
        month = m.captured(1).toInt();
        day = m.captured(2).toInt();
        year = m.captured(3).toInt();
    } else {
        return std::nullopt;
    }
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

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

QString formatted(const FieldSpec& spec, const QVariant& value, const QString& text, const QString& dateFormat)
{
    switch (spec.format) {
    case ValueFormat::Text:
        return text;
    case ValueFormat::Integer: {
        if (value.metaType().id() == QMetaType::LongLong || value.metaType().id() == QMetaType::Int)
            return QString::number(value.toLongLong());
        bool ok = false;
        const double number = isNumber(value) ? value.toDouble() : text.trimmed().toDouble(&ok);
        if (!isNumber(value) && !ok)
            return text;
        if (number == double(qint64(number)))
            return QString::number(qint64(number));
        return QString::number(number);
    }
    case ValueFormat::Date: {
        if (value.metaType().id() == QMetaType::QDate)
            return value.toDate().toString(dateFormat);
        if (value.metaType().id() == QMetaType::QDateTime)
            return value.toDateTime().date().toString(dateFormat);
        const auto date = readDate(text);
        return date ? date->toString(dateFormat) : text;
    }
    case ValueFormat::YesNo: {
        // Any non-zero number is Yes, as the roster stores Yes/No.
        bool ok = false;
        const double number = isNumber(value) ? value.toDouble() : text.trimmed().toDouble(&ok);
        if (!isNumber(value) && !ok)
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
    const QString shown = formatted(spec, value, text, dateFormat);
    if (!spec.map.isEmpty()) {
        const auto it = spec.map.constFind(shown);
        if (it != spec.map.constEnd())
            return *it;
    }
    return shown;
}

} // namespace varnel::reports
