#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

namespace varnel {

// Dates as the roster file holds them as text. Every module that reads the
// file (the store, the report engine) reads them with these.

// Reads text as a date in the formats the roster file holds:
//  - ISO "YYYY-MM-DD", optionally followed by a blank or 'T' and "HH:MM" or
//    "HH:MM:SS";
//  - "m/d/yyyy" (one or two digits for month and day), optionally followed by
//    a blank and "h:mm" or "h:mm:ss", with an optional AM/PM.
// Blanks around the whole text are allowed. An impossible date (2/30/2021)
// or any other text gives nothing.
std::optional<QDateTime> parseDateText(const QString& text);

// The roster file's encoding: "YYYY-MM-DD", or "YYYY-MM-DD HH:MM:SS" when a
// time of day is given.
QString isoDateText(const QDateTime& dateTime, bool withTime);

// The short form "m/d/yyyy": no leading zeros, four-digit year.
QString shortDateText(const QDate& date, QChar separator = u'/');

} // namespace varnel
