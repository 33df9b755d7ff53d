#pragma once

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace varnel::store {
class DataControl;
}

namespace varnel::points {

class Clock;

// What Total All Soldiers did, soldier by soldier, in roster order.
struct TotalAllSummary {
    struct Entry {
        QString soldier; // the name, or "record N" for one without a name
        QString what;
    };
    int soldiers = 0;         // records in the roster
    int totalled = 0;         // worksheets stored
    QList<Entry> refused;     // "Entry for PEBD is not valid" / "... DOR ..."
    QList<Entry> notices;     // "No APFT points added" / "No Weapon ..."
    QStringList blankTotals;  // totalled, but TOTAL blank: an evaluation score is blank
    bool cancelled = false;   // stopped: nothing was stored

    // The summary as the window and the tool show it.
    QString headline() const;
    QString details() const;
};

// Total All Soldiers: applies the Total command's rules (the same worksheet
// code and the same stamp) to every record of the open roster, in one
// transaction. The clerk's pending entries for the current record are stored
// first, as Total stores them. Today is read once, so every soldier is
// totalled as of the same moment. A record whose PEBD or DOR is no date is
// refused and left as it was; the notices of Total are collected instead of
// shown. `progress` hears records done out of all and stops everything
// (nothing stored) when it returns false. Store failures throw
// varnel::Failure, and nothing is stored then either.
TotalAllSummary totalAllSoldiers(store::DataControl& data1, Clock& clock, QChar dateSeparator,
                                 const std::function<bool(int done, int total)>& progress);

} // namespace varnel::points
