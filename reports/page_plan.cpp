#include "reports/page_plan.h"

#include "reports/report_data.h"
#include "reports/report_layout.h"

namespace varnel::reports {

namespace {

QVector<PlanItem> listItems(const ReportLayout& layout, const ReportData& data)
{
    QVector<PlanItem> items;
    items.reserve(data.rowCount() + 2);
    int groupStart = -1;
    auto closeGroup = [&](int endRow) {
        if (groupStart >= 0 && (!layout.group.summary.isEmpty() || layout.group.histogram >= 0))
            items.append({PlanItem::GroupSummary, groupStart, endRow - groupStart});
    };
    for (int row = 0; row < data.rowCount(); ++row) {
        if (layout.grouped
            && (groupStart < 0
                || data.value(row, layout.group.field) != data.value(groupStart, layout.group.field))) {
            closeGroup(row);
            groupStart = row;
            items.append({PlanItem::GroupHeading, row, 0});
        }
        items.append({PlanItem::Row, row, 0});
    }
    closeGroup(data.rowCount());
    return items;
}

QVector<PlanItem> formItems(const ReportLayout& layout, const ReportData& data)
{
    QVector<PlanItem> items;
    items.reserve(qsizetype(data.rowCount()) * (layout.lines.size() + 1) + 1);
    for (int row = 0; row < data.rowCount(); ++row) {
        items.append({PlanItem::RecordTitle, row, 0});
        for (int line = 0; line < layout.lines.size(); ++line)
            items.append({PlanItem::FormLine, row, line});
    }
    return items;
}

double heightOf(const PlanItem& item, const ReportLayout& layout, const ItemHeights& h)
{
    switch (item.type) {
    case PlanItem::GroupHeading: return h.groupHeading;
    case PlanItem::Row: return h.row;
    case PlanItem::GroupSummary: return h.groupSummary + (layout.group.histogram >= 0 ? h.histogram : 0);
    case PlanItem::RecordTitle: return h.recordTitle;
    case PlanItem::FormLine: return layout.lines[item.count].section ? h.section : h.formLine;
    case PlanItem::Summary:
    case PlanItem::NoRecords: return h.summary;
    }
    return h.row;
}

} // namespace

PagePlan planPages(const ReportLayout& layout, const ReportData& data, const ItemHeights& heights,
                   double bodyHeight)
{
    PagePlan plan;
    const bool form = layout.kind == ReportLayout::Kind::Form;
    plan.items = form ? formItems(layout, data) : listItems(layout, data);
    if (data.rowCount() == 0)
        plan.items.append({PlanItem::NoRecords, -1, 0});
    else if (!layout.summary.isEmpty())
        plan.items.append({PlanItem::Summary, -1, data.rowCount()});

    PlanPage page;
    double y = 0;
    int openRow = -1;  // the group or record the current item belongs to
    for (int i = 0; i < plan.items.size(); ++i) {
        const PlanItem& item = plan.items[i];
        const double height = heightOf(item, layout, heights);
        // A heading needs room for at least the first row under it.
        const double keep = item.type == PlanItem::GroupHeading ? heights.row : 0;
        const bool newRecord = form && item.type == PlanItem::RecordTitle && i > 0;
        const bool full = y > 0 && y + height + keep > bodyHeight;
        if (newRecord || full) {
            page.end = i;
            plan.pages.append(page);
            page = PlanPage{i, i, -1};
            y = 0;
            const bool carriesOver = item.type == PlanItem::Row || item.type == PlanItem::GroupSummary
                                  || item.type == PlanItem::FormLine;
            if (carriesOver && openRow >= 0) {
                page.continuedRow = openRow;
                y = heights.continued;
            }
        }
        if (item.type == PlanItem::GroupHeading || item.type == PlanItem::RecordTitle)
            openRow = item.row;
        if (item.type == PlanItem::Summary)
            openRow = -1;
        y += height;
    }
    page.end = int(plan.items.size());
    plan.pages.append(page);
    return plan;
}

} // namespace varnel::reports
