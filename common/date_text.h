#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

namespace varnel {

// Dates as the roster file holds them as text. Every module that reads the
// file (the store, the report engine) reads them with these.

// Reads text as a date the way US-English users type one (and the roster
// file holds it):
//  - "3/15/2004", "3-15-2004", "3.15.2004" (month first, the same separator
//    twice), and with a two-digit year, "3/15/04": 00 to 29 are the 2000s,
//    30 to 99 the 1900s;
//  - "3/15" or "3-15": that day of `today`'s year (the clock's, when none
//    is given: read only for such a text, since asking the clock costs more
//    than the whole reading);
//  - "2004-03-15" (also with / or . between), and ISO's 'T' before a time;
//  - "Mar 15, 2004", "March 15 2004", "15-Mar-2004", "15 March 2004";
//  - each optionally followed by a time: "13:30", "1:30 PM", "1:30:15 pm".
// Blanks around the whole text are allowed. An impossible date (2/30/2021),
// a time alone ("13:30") and any other text give nothing.
std::optional<QDateTime> parseDateText(const QString& text, std::optional<QDate> today = std::nullopt);

// The roster file's encoding: "YYYY-MM-DD", or "YYYY-MM-DD HH:MM:SS" when a
// time of day is given.
QString isoDateText(const QDateTime& dateTime, bool withTime);

// The short form "m/d/yyyy": no leading zeros, four-digit year.
QString shortDateText(const QDate& date, QChar separator = u'/');

// The US general date: "3/15/2004", or "3/15/2004 1:30:00 PM" with a time.
QString generalDateText(const QDateTime& dateTime, bool withTime);

} // namespace varnel
