// The report layout parser on any bytes. A bad layout may only be refused with a Failure that names the file; an
// accepted one must hold what the renderer relies on without checking again.
#include "reports/report_failures.h"
#include "reports/report_layout.h"

#include "common/failure.h"
#include "fuzz_check.h"

#include <QDir>
#include <cmath>

using varnel::fuzz::broken;
using varnel::reports::ReportLayout;

namespace {

const QString kPath = QStringLiteral("/layouts/fuzzed.rpt");

bool indexes(const ReportLayout& layout, int field)
{
    return field >= 0 && field < layout.fields.size();
}

void checkList(const ReportLayout& layout)
{
    if (layout.columns.isEmpty() || !layout.lines.isEmpty() || layout.recordTitle != -1)
        broken("a list layout has columns, and no form lines or record title", layout.title);
    for (const auto& column : layout.columns)
        if (!indexes(layout, column.field) || !std::isfinite(column.width) || column.width <= 0)
            broken("a column shows one of the layout's fields, with a positive width",
                   QStringLiteral("%1 / %2").arg(column.field).arg(column.width));
    if (layout.grouped && !indexes(layout, layout.group.field))
        broken("the group value is one of the layout's fields", QString::number(layout.group.field));
}

void checkForm(const ReportLayout& layout)
{
    if (layout.lines.isEmpty() || !layout.columns.isEmpty() || layout.grouped)
        broken("a form layout has lines, and no columns or group", layout.title);
    if (layout.recordTitle != -1 && !indexes(layout, layout.recordTitle))
        broken("the record title is one of the layout's fields", QString::number(layout.recordTitle));
    for (const auto& line : layout.lines) {
        const bool shows = line.entry != -1 || line.points != -1;
        if (line.section ? line.label.trimmed().isEmpty() || shows : !shows)
            broken("a section line has a heading and no value, any other line a value", line.label);
        if ((line.entry != -1 && !indexes(layout, line.entry)) || (line.points != -1 && !indexes(layout, line.points)))
            broken("a form line shows the layout's fields", QStringLiteral("%1 / %2").arg(line.entry).arg(line.points));
    }
}

void checkAccepted(const ReportLayout& layout)
{
    if (layout.path != QDir::toNativeSeparators(kPath))
        broken("the layout keeps the path it was named by", layout.path);
    if (layout.title.trimmed().isEmpty() || layout.query.trimmed().isEmpty())
        broken("a layout has a title and a query", layout.title + u'|' + layout.query);
    if (!QDir::isAbsolutePath(layout.dataSource.text()))
        broken("the data source is an absolute path", layout.dataSource.text());
    if (!(layout.marginMm >= 5.0 && layout.marginMm <= 40.0) || !(layout.fontSize >= 5.0 && layout.fontSize <= 20.0))
        broken("margins are 5 to 40 mm, the font size 5 to 20 points",
               QStringLiteral("%1 / %2").arg(layout.marginMm).arg(layout.fontSize));
    for (const auto& field : layout.fields)
        if (field.field.trimmed().isEmpty())
            broken("every shown value names a column", QString::number(int(field.format)));
    layout.kind == ReportLayout::Kind::List ? checkList(layout) : checkForm(layout);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        checkAccepted(varnel::reports::parseLayout(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), kPath));
    } catch (const varnel::Failure& failure) {
        namespace failure_ = varnel::reports::failure;
        const int number = failure.number();
        if (number != failure_::NotALayout && number != failure_::UnknownFormat && number != failure_::LayoutTooLarge)
            broken("a refused layout is NotALayout, UnknownFormat or LayoutTooLarge", QString::number(number));
        if (!failure.description().contains(kPath))
            broken("the refusal names the layout file", failure.description());
    }
    return 0;
}
