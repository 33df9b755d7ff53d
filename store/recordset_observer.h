#pragma once

#include "store/value.h"

#include <QHash>

namespace varnel::store {

// The binding a Recordset is shown through (the DataControl). It holds the
// values the clerk changed in bound controls until the record is stored:
// the recordset takes them when it stores the record, and gives them back
// when the store fails. It hears, in the order the window must, when the
// roster's rows or its current record changed.
class RecordsetObserver {
public:
    virtual ~RecordsetObserver() = default;

    // Values pending for the current record (or the new record being added).
    virtual bool hasPending() const = 0;
    // Takes the pending values, by ordinal: they are pending no longer.
    // Fails (3265) on a value for a column the roster does not have.
    virtual QHash<int, Value> takePending() = 0;
    // Makes values taken for a store that failed pending again.
    virtual void restorePending(const QHash<int, Value>& pending) = 0;
    virtual void dropPending() = 0;

    // The bound controls are to show the current record (or none) again.
    virtual void showCurrent() = 0;
    // Another record became current, or none (-1).
    virtual void currentMoved(int position) = 0;
    virtual void recordAppended(int position) = 0;
    virtual void recordRemoved(int position) = 0;
    // A record's stored values changed.
    virtual void recordChanged(int position) = 0;
    // Every row may differ.
    virtual void recordsReset() = 0;
};

} // namespace varnel::store
