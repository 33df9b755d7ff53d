#pragma once

#include "reports/report_layout.h"

#include <QDate>
#include <QVariant>
#include <optional>

namespace varnel::reports {

// The text a report shows for one value of the query's result. NULL and
// empty text show spec.nullText; otherwise the value is formatted by
// spec.format (a value that does not read as the format shows as it stands:
// text that is no number or date, a number no whole number holds as an
// integer) and then looked up in spec.map.
QString formatValue(const FieldSpec& spec, const QVariant& value, const QString& dateFormat);

} // namespace varnel::reports
