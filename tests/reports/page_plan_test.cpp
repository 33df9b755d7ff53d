// A group heading never ends a page alone: it goes over with its first row,
// and that page starts the group afresh, not as "continued".
#include "reports/page_plan.h"
#include "reports/report_data.h"
#include "reports/report_layout.h"

#include <gtest/gtest.h>

using namespace varnel::reports;

TEST(PagePlan, AGroupHeadingGoesOverWithItsFirstRow)
{
    ItemHeights heights;
    heights.row = 10;
    heights.groupHeading = heights.continued = 17;
    heights.groupSummary = 13;
    heights.summary = 20;
    const struct {
        const char* name;
        const char* groups; // each letter a row's group
        bool groupSummary, summary;
        double bodyHeight;
        const char* pages; // Heading, Row, group Summary, Total, "+" continued; "|" between pages
    } cases[] = {
        {"heading and its row just fit", "AAABBB", false, false, 74, "HRRRHR|+RR"},
        {"a row short of room for both", "AAABBB", false, false, 73, "HRRR|HRRR"},
        {"after a group's summary", "AAB", true, false, 70, "HRRS|HRS"},
        {"heading and its row just fit above a summary", "AAB", true, true, 77, "HRRSHR|+ST"},
        {"a group carried over, then a heading at the foot", "AAAAAAB", false, false, 60, "HRRRR|+RR|HR"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ReportLayout layout;
        layout.kind = ReportLayout::Kind::List;
        layout.fields.resize(1);
        layout.fields[0].field = QStringLiteral("School");
        layout.grouped = true;
        layout.group.field = 0;
        if (c.groupSummary)
            layout.group.summary = QStringLiteral("Soldiers: %1");
        if (c.summary)
            layout.summary = QStringLiteral("Listed: %1");
        ReportData data(1);
        for (const char* group = c.groups; *group; ++group)
            data.appendValue(QString(QChar(*group)));
        const PagePlan plan = planPages(layout, data, heights, c.bodyHeight);
        const QHash<PlanItem::Type, QChar> letters{{PlanItem::GroupHeading, u'H'}, {PlanItem::Row, u'R'},
                                                    {PlanItem::GroupSummary, u'S'}, {PlanItem::Summary, u'T'}};
        QStringList pages;
        for (const PlanPage& page : plan.pages) {
            QString text = page.continuedRow >= 0 ? QStringLiteral("+") : QString();
            for (int i = page.first; i < page.end; ++i)
                text += letters.value(plan.items[i].type, u'?');
            pages << text;
        }
        EXPECT_EQ(pages.join(u'|').toStdString(), c.pages);
    }
}
