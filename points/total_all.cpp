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

TotalAllSummary totalAllSoldiers(store::DataControl& data1, Clock& clock, QChar dateSeparator,
                                 const std::function<bool(int done, int total)>& progress)
{
    store::Recordset& rs = data1.recordset();
    const store::RecordLayout& layout = rs.layout();
    const int nameOrdinal = layout.indexOf(store::column::Name);
    const int stampOrdinal = layout.indexOf(store::column::TotalDate);
    const QDateTime now = clock.now();
    const QString stamp = FormatShortDate(now, dateSeparator);

    TotalAllSummary summary;
    summary.soldiers = rs.recordCount();
    // The records come in the order of their keys; the summary names the
    // soldiers in the roster's order, each soldier's notices as they came.
    std::vector<std::pair<int, TotalAllSummary::Entry>> refused, notices;
    std::vector<std::pair<int, QString>> blankTotals;
    const auto change = [&](int position, const QList<Value>& record) {
        store::Recordset::FieldValues written;
        const auto soldier = [&] { return soldierOf(record, nameOrdinal, position); };
        // A field as written so far, else as stored (a handful of fields:
        // looked through in turn).
        const auto field = [&](int i) {
            for (const auto& [ordinal, value] : written) {
                if (ordinal == i)
                    return value;
            }
            return record.at(i);
        };
        const Worksheet sheet = workOutWorksheet(field, [&] { return now; });
        if (sheet.refused != Worksheet::Refusal::None) {
            refused.push_back({position, {soldier(), sheet.refused == Worksheet::Refusal::Pebd ? kPebdNotValid : kDorNotValid}});
            return written;
        }
        WorksheetTarget target;
        target.write = [&](int i, const Value& value) {
            for (auto& [ordinal, held] : written) {
                if (ordinal == i) {
                    held = value;
                    return;
                }
            }
            written.append({i, value});
        };
        target.field = field;
        target.notice = [&](const QString& notice) { notices.push_back({position, {soldier(), notice}}); };
        const Value total = writeWorksheet(sheet, target);
        if (stampOrdinal >= 0)
            target.write(stampOrdinal, Value::text(stamp));
        if (!total.hasValue())
            blankTotals.emplace_back(position, soldier());
        ++summary.totalled;
        return written;
    };
    const store::Recordset::NamedStep step(rs, QCoreApplication::translate("TotalAll", "Total All Soldiers"));
    if (!rs.changeEveryRecord(change, progress)) {
        TotalAllSummary stopped;
        stopped.soldiers = summary.soldiers;
        stopped.cancelled = true;
        return stopped;
    }
    const auto inRosterOrder = [](auto& entries, auto& into) {
        std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        for (auto& [position, entry] : entries)
            into.append(std::move(entry));
    };
    inRosterOrder(refused, summary.refused);
    inRosterOrder(notices, summary.notices);
    inRosterOrder(blankTotals, summary.blankTotals);
    return summary;
}

} // namespace varnel::points
