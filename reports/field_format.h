#pragma once

#include "reports/report_layout.h"

#include <QDate>
#include <QVariant>
#include <optional>

namespace varnel::reports {

// Reads a roster date: "YYYY-MM-DD" with an optional time ("YYYY-MM-DD
// HH:MM:SS", or 'T' between), or "m/d/yyyy" with an optional time of day.
// Anything else, or an impossible date, gives nothing.
std::optional<QDate> readDate(const QString& text);

// The text a report shows for one value of the query's result. NULL and
// empty text show spec.nullText; otherwise the value is formatted by
// spec.format (text that does not read as the format shows as it stands)
// and then looked up in spec.map.
QString formatValue(const FieldSpec& spec, const QVariant& value, const QString& dateFormat);

} // namespace varnel::reports
