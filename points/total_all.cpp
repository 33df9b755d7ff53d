#include "points/total_all.h"

#include "points/clock.h"
#include "points/date_services.h"
#include "points/total_command.h"
#include "points/worksheet.h"
#include "store/data_control.h"
#include "store/record_layout.h"
#include "store/recordset.h"

#include <QCoreApplication>
#include <algorithm>
#include <vector>

namespace varnel::points {

using store::Value;

namespace {

QString soldierOf(const QList<Value>& record, int nameOrdinal, int position)
{
    const QString name = nameOrdinal >= 0 ? record.value(nameOrdinal).displayText().trimmed() : QString();
    return name.isEmpty() ? QCoreApplication::translate("TotalAll", "record %1 (no name)").arg(position + 1) : name.left(60);
}

QString lines(const QList<TotalAllSummary::Entry>& entries)
{
    QStringList out;
    for (const auto& e : entries)
        out << QStringLiteral("  %1: %2").arg(e.soldier, e.what);
    return out.join(u'\n');
}

} // namespace

QString TotalAllSummary::headline() const
{
    if (cancelled)
        return QCoreApplication::translate("TotalAll", "Total All Soldiers was cancelled; nothing was stored.");
    return QCoreApplication::translate("TotalAll", "Totalled %1 of %2 soldiers; %3 refused.")
        .arg(totalled)
        .arg(soldiers)
        .arg(refused.size());
}

QString TotalAllSummary::details() const
{
    QStringList parts;
    if (!refused.isEmpty())
        parts << QCoreApplication::translate("TotalAll", "Refused, nothing worked out:") + u'\n' + lines(refused);
    if (!notices.isEmpty())
        parts << QCoreApplication::translate("TotalAll", "Totalled with a notice:") + u'\n' + lines(notices);
    if (!blankTotals.isEmpty()) {
        QStringList names;
        for (const QString& s : blankTotals)
            names << QStringLiteral("  ") + s;
        parts << QCoreApplication::translate("TotalAll", "TOTAL left blank, as an evaluation score is blank:") + u'\n'
                + names.join(u'\n');
    }
    return parts.join(QStringLiteral("\n\n"));
}

namespace {

// One walk of Total All over the records: each soldier's worksheet, and
// what the summary says of the soldiers, each entry with the soldier's
// place in the roster (the records come in the order of their keys).
class TotalAllWalk {
public:
    TotalAllWalk(const store::RecordLayout& layout, const QDateTime& now, const QString& stamp)
        : nameOrdinal_(layout.indexOf(store::column::Name))
        , stampOrdinal_(layout.indexOf(store::column::TotalDate))
        , now_(now)
        , stamp_(stamp)
    {
    }

    // The fields the worksheet of the soldier at `position` writes.
    store::Recordset::FieldValues total(int position, const QList<Value>& record)
    {
        store::Recordset::FieldValues written;
        const auto soldier = [&] { return soldierOf(record, nameOrdinal_, position); };
        const auto field = [&](int i) { return fieldAsWritten(written, record, i); };
        const Worksheet sheet = workOutWorksheet(field, [this] { return now_; });
        if (sheet.refused != Worksheet::Refusal::None) {
            refused_.push_back({position, {soldier(), sheet.refused == Worksheet::Refusal::Pebd ? kPebdNotValid : kDorNotValid}});
            return written;
        }
        WorksheetTarget target;
        target.write = [&](int i, const Value& value) { write(written, i, value); };
        target.field = field;
        target.notice = [&](const QString& notice) { notices_.push_back({position, {soldier(), notice}}); };
        const Value total = writeWorksheet(sheet, target);
        if (stampOrdinal_ >= 0)
            write(written, stampOrdinal_, Value::text(stamp_));
        if (!total.hasValue())
            blankTotals_.emplace_back(position, soldier());
        ++totalled_;
        return written;
    }

    // The summary's lists in the roster's order, each soldier's notices as
    // they came.
    void summarize(TotalAllSummary& summary)
    {
        summary.totalled = totalled_;
        inRosterOrder(refused_, summary.refused);
        inRosterOrder(notices_, summary.notices);
        inRosterOrder(blankTotals_, summary.blankTotals);
    }

private:
    // A field as written so far, else as stored (a handful of fields:
    // looked through in turn).
    static Value fieldAsWritten(const store::Recordset::FieldValues& written, const QList<Value>& record, int i)
    {
        for (const auto& [ordinal, value] : written) {
            if (ordinal == i)
                return value;
        }
        return record.at(i);
    }

    static void write(store::Recordset::FieldValues& written, int i, const Value& value)
    {
        for (auto& [ordinal, held] : written) {
            if (ordinal == i) {
                held = value;
                return;
            }
        }
        written.append({i, value});
    }

    template <typename Entries, typename Into>
    static void inRosterOrder(Entries& entries, Into& into)
    {
        std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        for (auto& [position, entry] : entries)
            into.append(std::move(entry));
    }

    const int nameOrdinal_;
    const int stampOrdinal_;
    const QDateTime now_;
    const QString stamp_;
    int totalled_ = 0;
    std::vector<std::pair<int, TotalAllSummary::Entry>> refused_, notices_;
    std::vector<std::pair<int, QString>> blankTotals_;
};

} // namespace

TotalAllSummary totalAllSoldiers(store::DataControl& data1, Clock& clock, QChar dateSeparator,
                                 const std::function<bool(int done, int total)>& progress)
{
    store::Recordset& rs = data1.recordset();
    const QDateTime now = clock.now();
    TotalAllWalk walk(rs.layout(), now, FormatShortDate(now, dateSeparator));
    TotalAllSummary summary;
    summary.soldiers = rs.recordCount();
    const store::Recordset::NamedStep step(rs, QCoreApplication::translate("TotalAll", "Total All Soldiers"));
    const auto change = [&walk](int position, const QList<Value>& record) { return walk.total(position, record); };
    if (!rs.changeEveryRecord(change, progress)) {
        TotalAllSummary stopped;
        stopped.soldiers = summary.soldiers;
        stopped.cancelled = true;
        return stopped;
    }
    walk.summarize(summary);
    return summary;
}

} // namespace varnel::points
