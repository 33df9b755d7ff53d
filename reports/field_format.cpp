#include "reports/field_format.h"

#include "common/date_text.h"

#include <QDateTime>
#include <QRegularExpression>

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
        const auto date = parseDateText(text);
        return date ? date->date().toString(dateFormat) : text;
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
    QString shown = formatted(spec, value, text, dateFormat);
    if (!spec.map.isEmpty()) {
        const auto it = spec.map.constFind(shown);
        if (it != spec.map.constEnd())
            return *it;
    }
    return shown;
}

} // namespace varnel::reports
