#include "points/date_services.h"

#include "common/date_text.h"

#include <QLocale>

namespace varnel::points {

using store::Value;

std::optional<QDateTime> DateOf(const Value& value)
{
    if (value.isDate())
        return value.asDateTime();
    if (value.isText())
        return varnel::parseDateText(value.asText());
    return std::nullopt;
}

bool IsDate(const Value& value)
{
    return DateOf(value).has_value();
}

qint64 DateDiffDays(const QDateTime& start, const QDateTime& end)
{
    // By the calendar dates as they stand, so neither the times of day nor a
    // daylight-saving change between the two can shift the count.
    return start.date().daysTo(end.date());
}

QChar dateSeparatorOf(const QString& shortDateFormat)
{
    for (const QChar c : shortDateFormat) {
        if (!c.isLetter() && !c.isSpace() && c != u'\'')
            return c;
    }
    return u'/';
}

QChar systemDateSeparator()
{
    return dateSeparatorOf(QLocale::system().dateFormat(QLocale::ShortFormat));
}

QString FormatShortDate(const QDateTime& now, QChar separator)
{
    return varnel::shortDateText(now.date(), separator);
}

} // namespace varnel::points
