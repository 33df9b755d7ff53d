#include "common/date_text.h"

#include <QRegularExpression>

namespace varnel {

namespace {

// The month names a US-English clerk types: in full, or by their first
// three letters (and "Sept"), in any case, with or without a full stop.
int monthNamed(const QString& word)
{
    static const char* const names[] = {"january", "february", "march",     "april",   "may",      "june",
                                        "july",    "august",   "september", "october", "november", "december"};
    QString w = word.toLower();
    if (w.endsWith(u'.'))
        w.chop(1);
    if (w == QLatin1String("sept"))
        return 9;
    for (int m = 0; m < 12; ++m) {
        const QLatin1String name(names[m]);
        if (w == name || (w.size() == 3 && name.startsWith(w)))
            return m + 1;
    }
    return 0;
}

// Two-digit years as the platform read them: 00 to 29 are 2000 to 2029,
// 30 to 99 are 1930 to 1999.
int fullYear(const QString& digits)
{
    const int year = digits.toInt();
    if (digits.size() > 2)
        return year;
    return year < 30 ? 2000 + year : 1900 + year;
}

// "13:30", "1:30 PM", "1:30:15 pm"; an empty text is midnight.
std::optional<QTime> readTime(const QString& text)
{
    if (text.isEmpty())
        return QTime(0, 0);
    static const QRegularExpression time(QStringLiteral(R"(^(\d{1,2}):(\d{2})(?::(\d{2}))?(?:\s*([AaPp])\.?[Mm]\.?)?$)"));
    const auto m = time.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    int h = m.captured(1).toInt();
    const int minutes = m.captured(2).toInt();
    const int seconds = m.captured(3).isEmpty() ? 0 : m.captured(3).toInt();
    if (!m.captured(4).isEmpty()) {
        if (h < 1 || h > 12)
            return std::nullopt;
        const bool pm = m.captured(4).compare(QLatin1String("p"), Qt::CaseInsensitive) == 0;
        h = (h % 12) + (pm ? 12 : 0);
    }
    const QTime result(h, minutes, seconds);
    if (!result.isValid())
        return std::nullopt;
    return result;
}

std::optional<QDateTime> dateTime(int year, int month, int day, const QString& timeText)
{
    const QDate date(year, month, day);
    if (!date.isValid() || year < 100)
        return std::nullopt;
    const auto time = readTime(timeText.trimmed());
    if (!time)
        return std::nullopt;
    return QDateTime(date, *time, Qt::UTC);
}

// The digits of text[at, at + count) as a number; -1 unless all are ASCII
// digits.
int asciiNumber(const QString& text, qsizetype at, qsizetype count)
{
    int number = 0;
    for (qsizetype i = at; i < at + count; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return -1;
        number = number * 10 + (c - u'0');
    }
    return number;
}

// The file's own encoding, "YYYY-MM-DD" with or without " HH:MM:SS", read
// without the patterns below: it is every date the program itself writes,
// and every other form gives the same value read the long way.
std::optional<std::optional<QDateTime>> isoDateTime(const QString& t)
{
    if ((t.size() != 10 && t.size() != 19) || t.at(4) != u'-' || t.at(7) != u'-')
        return std::nullopt;
    const int year = asciiNumber(t, 0, 4), month = asciiNumber(t, 5, 2), day = asciiNumber(t, 8, 2);
    if (year < 0 || month < 0 || day < 0)
        return std::nullopt;
    QTime time(0, 0);
    if (t.size() == 19) {
        if (t.at(10) != u' ' || t.at(13) != u':' || t.at(16) != u':')
            return std::nullopt;
        const int h = asciiNumber(t, 11, 2), m = asciiNumber(t, 14, 2), sec = asciiNumber(t, 17, 2);
        if (h < 0 || m < 0 || sec < 0)
            return std::nullopt;
        time = QTime(h, m, sec);
    }
    const QDate date(year, month, day);
    if (!date.isValid() || year < 100 || !time.isValid())
        return std::optional<QDateTime>();
    return QDateTime(date, time, Qt::UTC);
}

} // namespace

std::optional<QDateTime> parseDateText(const QString& text, std::optional<QDate> today)
{
    if (const auto stored = isoDateTime(text))
        return *stored;
    // The date comes first; what follows a blank (or ISO's 'T') is a time.
    static const QRegularExpression iso(QStringLiteral(R"(^(\d{4})([-/.])(\d{1,2})\2(\d{1,2})(?:[ T]+(.*))?$)"));
    static const QRegularExpression us(QStringLiteral(R"(^(\d{1,2})([-/.])(\d{1,2})(?:\2(\d{4}|\d{2}))?(?:\s+(.*))?$)"));
    static const QRegularExpression monthFirst(
        QStringLiteral(R"(^([A-Za-z]{3,9}\.?)\s+(\d{1,2}),?\s+(\d{4}|\d{2})(?:\s+(.*))?$)"));
    static const QRegularExpression dayFirst(
        QStringLiteral(R"(^(\d{1,2})([-\s])([A-Za-z]{3,9}\.?)\2(\d{4}|\d{2})(?:\s+(.*))?$)"));

    const QString t = text.trimmed();
    if (const auto m = iso.match(t); m.hasMatch())
        return dateTime(m.captured(1).toInt(), m.captured(3).toInt(), m.captured(4).toInt(), m.captured(5));
    if (const auto m = us.match(t); m.hasMatch()) {
        // Without a year, "3.15" is a number more likely than a date.
        if (m.captured(4).isEmpty() && m.captured(2) == u'.')
            return std::nullopt;
        const int year = m.captured(4).isEmpty() ? today.value_or(QDate::currentDate()).year() : fullYear(m.captured(4));
        return dateTime(year, m.captured(1).toInt(), m.captured(3).toInt(), m.captured(5));
    }
    if (const auto m = monthFirst.match(t); m.hasMatch()) {
        if (const int month = monthNamed(m.captured(1)))
            return dateTime(fullYear(m.captured(3)), month, m.captured(2).toInt(), m.captured(4));
        return std::nullopt;
    }
    if (const auto m = dayFirst.match(t); m.hasMatch()) {
        if (const int month = monthNamed(m.captured(3)))
            return dateTime(fullYear(m.captured(4)), month, m.captured(1).toInt(), m.captured(5));
        return std::nullopt;
    }
    return std::nullopt;
}

QString isoDateText(const QDateTime& dateTime, bool withTime)
{
    QString date = dateTime.date().toString(Qt::ISODate);
    if (!withTime)
        return date;
    return date + u' ' + dateTime.time().toString(QStringLiteral("HH:mm:ss"));
}

QString shortDateText(const QDate& date, QChar separator)
{
    return QString::number(date.month()) + separator + QString::number(date.day()) + separator
        + QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
}

QString generalDateText(const QDateTime& dateTime, bool withTime)
{
    QString text = shortDateText(dateTime.date());
    if (withTime) {
        const QTime time = dateTime.time();
        const int hour12 = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
        text += QStringLiteral(" %1:%2:%3 %4")
                    .arg(hour12)
                    .arg(time.minute(), 2, 10, QLatin1Char('0'))
                    .arg(time.second(), 2, 10, QLatin1Char('0'))
                    .arg(time.hour() < 12 ? QLatin1String("AM") : QLatin1String("PM"));
    }
    return text;
}

} // namespace varnel
