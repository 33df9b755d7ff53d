#include "common/date_text.h"

#include <QRegularExpression>

namespace varnel {

namespace {

std::optional<QTime> parseTime(const QString& hours, const QString& minutes, const QString& seconds, const QString& meridiem)
{
    int h = hours.toInt();
    const int m = minutes.toInt();
    const int s = seconds.isEmpty() ? 0 : seconds.toInt();
    if (!meridiem.isEmpty()) {
        if (h < 1 || h > 12)
            return std::nullopt;
        const bool pm = meridiem.compare(QLatin1String("PM"), Qt::CaseInsensitive) == 0;
        h = (h % 12) + (pm ? 12 : 0);
    }
    const QTime time(h, m, s);
    if (!time.isValid())
        return std::nullopt;
    return time;
}

} // namespace

std::optional<QDateTime> parseDateText(const QString& text)
{
    static const QRegularExpression iso(QStringLiteral(
        R"(^\s*(\d{4})-(\d{1,2})-(\d{1,2})(?:[ T](\d{1,2}):(\d{2})(?::(\d{2}))?)?\s*$)"));
    static const QRegularExpression us(QStringLiteral(
        R"(^\s*(\d{1,2})/(\d{1,2})/(\d{4})(?:\s+(\d{1,2}):(\d{2})(?::(\d{2}))?(?:\s*([AaPp][Mm]))?)?\s*$)"));

    int year = 0, month = 0, day = 0;
    QString hh, mm, ss, meridiem;
    if (const auto m = iso.match(text); m.hasMatch()) {
        year = m.captured(1).toInt();
        month = m.captured(2).toInt();
        day = m.captured(3).toInt();
        hh = m.captured(4);
        mm = m.captured(5);
        ss = m.captured(6);
    } else if (const auto u = us.match(text); u.hasMatch()) {
        month = u.captured(1).toInt();
        day = u.captured(2).toInt();
        year = u.captured(3).toInt();
        hh = u.captured(4);
        mm = u.captured(5);
        ss = u.captured(6);
        meridiem = u.captured(7);
    } else {
        return std::nullopt;
    }

    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    QTime time(0, 0);
    if (!hh.isEmpty()) {
        const auto parsed = parseTime(hh, mm, ss, meridiem);
        if (!parsed)
            return std::nullopt;
        time = *parsed;
    }
    return QDateTime(date, time, Qt::UTC);
}

QString isoDateText(const QDateTime& dateTime, bool withTime)
{
    const QString date = dateTime.date().toString(Qt::ISODate);
    if (!withTime)
        return date;
    return date + u' ' + dateTime.time().toString(QStringLiteral("HH:mm:ss"));
}

QString shortDateText(const QDate& date, QChar separator)
{
    return QString::number(date.month()) + separator + QString::number(date.day()) + separator
        + QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
}

} // namespace varnel
