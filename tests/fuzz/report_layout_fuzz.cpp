// The report layout parser on any bytes. A bad layout may only be refused
// with a Failure that names the file; a layout it accepts must hold what the
// renderer relies on without checking again: every shown value indexes the
// field list, a list has columns with positive widths, a form has lines,
// page settings stay in their documented ranges.
#include "reports/report_failures.h"
#include "reports/report_layout.h"

#include "common/failure.h"
#include "fuzz_check.h"

#include <QDir>
#include <cmath>

namespace {

using varnel::fuzz::broken;
using varnel::reports::ReportLayout;

const QString kPath = QStringLiteral("/layouts/fuzzed.rpt");

bool indexes(const ReportLayout& layout, int field)
{
    return field >= 0 && field < layout.fields.size();
}

void checkList(const ReportLayout& layout)
{
    if (layout.columns.isEmpty())
        broken("a list layout has columns", layout.title);
    for (const auto& column : layout.columns) {
        if (!indexes(layout, column.field))
            broken("a column shows one of the layout's fields", QString::number(column.field));
        if (!std::isfinite(column.width) || column.width <= 0)
            broken("a column's width is a positive share", QString::number(column.width));
    }
    if (layout.grouped && !indexes(layout, layout.group.field))
        broken("the group value is one of the layout's fields", QString::number(layout.group.field));
    if (!layout.lines.isEmpty() || layout.recordTitle != -1)
        broken("a list layout has no form lines or record title", layout.title);
}

void checkForm(const ReportLayout& layout)
{
    if (layout.lines.isEmpty())
        broken("a form layout has lines", layout.title);
    if (layout.recordTitle != -1 && !indexes(layout, layout.recordTitle))
        broken("the record title is one of the layout's fields", QString::number(layout.recordTitle));
    for (const auto& line : layout.lines) {
        if (line.section) {
            if (line.label.trimmed().isEmpty() || line.entry != -1 || line.points != -1)
                broken("a section line has a heading and shows no value", line.label);
            continue;
        }
        if (line.entry == -1 && line.points == -1)
            broken("a form line shows an entry or points", line.label);
        if ((line.entry != -1 && !indexes(layout, line.entry)) || (line.points != -1 && !indexes(layout, line.points)))
            broken("a form line shows the layout's fields",
                   QStringLiteral("%1 / %2").arg(line.entry).arg(line.points));
    }
    if (!layout.columns.isEmpty() || layout.grouped)
        broken("a form layout has no columns or group", layout.title);
}

void checkAccepted(const ReportLayout& layout)
{
    if (layout.path != QDir::toNativeSeparators(kPath))
        broken("the layout keeps the path it was named by", layout.path);
    if (layout.title.trimmed().isEmpty() || layout.query.trimmed().isEmpty())
        broken("a layout has a title and a query", layout.title + u'|' + layout.query);
    if (!QDir::isAbsolutePath(layout.dataSource))
        broken("the data source is an absolute path", layout.dataSource);
    if (!(layout.marginMm >= 5.0 && layout.marginMm <= 40.0))
        broken("margins are 5 to 40 mm", QString::number(layout.marginMm));
    if (!(layout.fontSize >= 5.0 && layout.fontSize <= 20.0))
        broken("the font size is 5 to 20 points", QString::number(layout.fontSize));
    for (const auto& field : layout.fields) {
        if (field.field.trimmed().isEmpty())
            broken("every shown value names a column", QString::number(int(field.format)));
    }
    if (layout.kind == ReportLayout::Kind::List)
        checkList(layout);
    else
        checkForm(layout);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        checkAccepted(varnel::reports::parseLayout(text, kPath));
    } catch (const varnel::Failure& failure) {
        namespace failure_ = varnel::reports::failure;
        if (failure.number() != failure_::NotALayout && failure.number() != failure_::UnknownFormat
            && failure.number() != failure_::LayoutTooLarge)
            broken("a refused layout is NotALayout, UnknownFormat or LayoutTooLarge", QString::number(failure.number()));
        if (!failure.description().contains(kPath))
            broken("the refusal names the layout file", failure.description());
    }
    return 0;
}
