#pragma once

#include <QVector>

namespace varnel::reports {

class ReportData;
struct ReportLayout;

// What goes on the pages, in order, and where each page begins. Every item
// has a fixed height, so laying out is one pass over the items: the work
// grows with the number of rows, never with its square.
struct PlanItem {
    enum Type : quint8 {
        GroupHeading,  // list: row = first row of the group
        Row,           // list: row
        GroupSummary,  // list: row = first row of the group, count = rows in it
        RecordTitle,   // form: row
        FormLine,      // form: row, count = index of the layout's line
        Summary,       // after the last record; count = number of records
        NoRecords,     // the query gave no rows
    };
    Type type;
    int row = -1;
    int count = 0;
};

struct PlanPage {
    int first = 0;          // index of the first item on the page
    int end = 0;            // one past the last item
    int continuedRow = -1;  // a group or record carried over from the page before: its first row
};

struct ItemHeights {
    double row = 0;
    double groupHeading = 0;
    double groupSummary = 0;
    double summary = 0;
    double recordTitle = 0;
    double section = 0;
    double formLine = 0;
    double histogram = 0;  // a group's histogram, under its summary
    double continued = 0;  // the repeated heading of a group or record carried over
};

struct PagePlan {
    QVector<PlanItem> items;
    QVector<PlanPage> pages;
};

// Lays the items of `data` out on pages whose body is `bodyHeight` high.
// A group heading is never left alone at the foot of a page; forms start
// every record on a new page. There is always at least one page.
PagePlan planPages(const ReportLayout& layout, const ReportData& data, const ItemHeights& heights,
                   double bodyHeight);

} // namespace varnel::reports
