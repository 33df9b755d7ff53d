// Where the pages of a list report break: a group heading is never left
// alone at the foot of a page; it goes over to the next page with its first
// row, and that page then starts the group afresh, not as "continued".
#include "reports/page_plan.h"
#include "reports/report_data.h"
#include "reports/report_layout.h"

#include <gtest/gtest.h>

using namespace varnel::reports;

namespace {

// Round heights, so the cases can be followed by hand.
ItemHeights roundHeights()
{
    ItemHeights h;
    h.row = 10;
    h.groupHeading = 17;
    h.groupSummary = 13;
    h.summary = 20;
    h.continued = 17;
    return h;
}

// A list grouped by its one field; each letter of `groups` is a row's group.
ReportLayout groupedList(bool groupSummary, bool summary)
{
    ReportLayout layout;
    layout.kind = ReportLayout::Kind::List;
    FieldSpec school;
    school.field = QStringLiteral("School");
    layout.fields = {school};
    layout.grouped = true;
    layout.group.field = 0;
    if (groupSummary)
        layout.group.summary = QStringLiteral("Soldiers: %1");
    if (summary)
        layout.summary = QStringLiteral("Listed: %1");
    return layout;
}

ReportData rowsOf(const QString& groups)
{
    ReportData data(1);
    for (const QChar group : groups)
        data.appendValue(QString(group));
    return data;
}

// The pages as the reader sees them: H a group heading, R a row, S a
// group's summary, T the report's summary, "+" the repeated heading of a
// group carried over; pages separated by "|".
QString pagesOf(const PagePlan& plan)
{
    QStringList pages;
    for (const PlanPage& page : plan.pages) {
        QString text = page.continuedRow >= 0 ? QStringLiteral("+") : QString();
        for (int i = page.first; i < page.end; ++i) {
            switch (plan.items[i].type) {
            case PlanItem::GroupHeading: text += u'H'; break;
            case PlanItem::Row: text += u'R'; break;
            case PlanItem::GroupSummary: text += u'S'; break;
            case PlanItem::Summary: text += u'T'; break;
            default: text += u'?'; break;
            }
        }
        pages << text;
    }
    return pages.join(u'|');
}

} // namespace

TEST(PagePlan, AGroupHeadingGoesOverWithItsFirstRow)
{
    const struct {
        const char* name;
        const char* groups;
        bool groupSummary, summary;
        double bodyHeight;
        const char* pages;
    } cases[] = {
        // The second heading would end at 64 of 70, its first row at 74.
        {"heading fits, its row does not", "AAABBB", false, false, 70, "HRRR|HRRR"},
        {"heading and its row just fit", "AAABBB", false, false, 74, "HRRRHR|+RR"},
        {"a row short of room for both", "AAABBB", false, false, 73, "HRRR|HRRR"},
        {"after a group's summary", "AAB", true, false, 70, "HRRS|HRS"},
        {"heading and its row just fit above a summary", "AAB", true, true, 77, "HRRSHR|+ST"},
        {"one-row groups", "ABCD", false, false, 50, "HR|HR|HR|HR"},
        {"a group carried over, then a heading at the foot", "AAAAAAB", false, false, 60, "HRRRR|+RR|HR"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ReportLayout layout = groupedList(c.groupSummary, c.summary);
        const PagePlan plan = planPages(layout, rowsOf(QString::fromLatin1(c.groups)), roundHeights(), c.bodyHeight);
        EXPECT_EQ(pagesOf(plan).toStdString(), c.pages);
    }
}

// Whatever the page's height and the groups' sizes: no page ends with a
// heading, every heading shares its page with its first row, and every
// item is on exactly one page, in order.
TEST(PagePlan, NoPageEndsWithAGroupHeading)
{
    for (const char* groups : {"AAABBB", "ABCDEFGH", "AAAAAAAABBCDDDDDE"}) {
        for (const bool groupSummary : {false, true}) {
            const ReportLayout layout = groupedList(groupSummary, true);
            const ReportData data = rowsOf(QString::fromLatin1(groups));
            for (double body = 40; body <= 160; body += 1) {
                SCOPED_TRACE(::testing::Message()
                             << groups << (groupSummary ? " with" : " without") << " group summaries, body " << body);
                const PagePlan plan = planPages(layout, data, roundHeights(), body);
                ASSERT_FALSE(plan.pages.isEmpty());
                int next = 0;
                for (const PlanPage& page : plan.pages) {
                    ASSERT_EQ(page.first, next);
                    ASSERT_LT(page.first, page.end) << "an empty page";
                    EXPECT_NE(plan.items[page.end - 1].type, PlanItem::GroupHeading) << pagesOf(plan).toStdString();
                    if (plan.items[page.first].type == PlanItem::GroupHeading) {
                        EXPECT_EQ(page.continuedRow, -1) << "a group's first page is not marked continued";
                    }
                    next = page.end;
                }
                EXPECT_EQ(next, plan.items.size());
            }
        }
    }
}
