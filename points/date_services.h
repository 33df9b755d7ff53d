#pragma once

#include "store/value.h"

#include <QChar>
#include <QDateTime>
#include <QString>
#include <optional>

namespace varnel::points {

// The date services of the point worksheet.

// True for a date value and for text that reads as a date the way a
// US-English clerk types one (common/date_text.h: "3/15/2004", "3-15-04",
// "Mar 15, 2004", "2004-03-15", ..., each with an optional time of day). No
// value, empty, numbers, a time alone and impossible dates (2/30/2021) are
// not dates.
bool IsDate(const store::Value& value);

// The date (and time of day, if any) that IsDate accepted; nothing otherwise.
std::optional<QDateTime> DateOf(const store::Value& value);

// Calendar days from `start` to `end`, times of day ignored; negative when
// `start` lies after `end`.
qint64 DateDiffDays(const QDateTime& start, const QDateTime& end);

// The date separator of a QLocale short date format: its first character
// that is neither a format letter, a blank nor a quote ("M/d/yy" gives '/',
// "dd.MM.yy" '.'); '/' when there is none, as in the C locale's "d MMM yyyy".
QChar dateSeparatorOf(const QString& shortDateFormat);

// The system's date separator, from QLocale::system()'s short date format.
QChar systemDateSeparator();

// The stamp of a total: month and day without leading zeros and the
// four-digit year, joined by `separator` ("1/5/2013").
QString FormatShortDate(const QDateTime& now, QChar separator);

} // namespace varnel::points
