#pragma once

// The Recordset's own: shared by its source files, seen by no one else.
#include "store/change_history.h"
#include "store/recordset.h"
#include "store/write_transaction.h"

namespace varnel::store {

// One write to the roster file: the guard's checks and one transaction.
// However it ends, the roster's generation moves on, so nothing read of
// the records before or during it is taken for what the file holds after:
// committed, by the one record it was said to change (or any); rolled back
// (a failure, a cancel), by any record, since a read inside the transaction
// saw what was never stored.
//
// The changes it stages for the history are kept when it commits and
// dropped when it rolls back.
class Recordset::Write {
public:
    explicit Write(Recordset& rs)
        : rs_(rs), keys_(rs.keys_), transaction_(*rs.backend_, rs.guard_)
    {
        ++rs_.writing_;
    }
    ~Write()
    {
        --rs_.writing_;
        if (committed_)
            return;
        keys_.recordsChanged();
        if (rs_.history_)
            rs_.history_->dropStaged();
    }
    Write(const Write&) = delete;
    Write& operator=(const Write&) = delete;

    // Commits a change of the one record `key`.
    void commit(qint64 key)
    {
        transaction_.commit();
        committed_ = true;
        keys_.recordChanged(key);
        rs_.keepStaged();
    }
    // Commits a change of any number of records.
    void commitAll()
    {
        transaction_.commit();
        committed_ = true;
        keys_.recordsChanged();
        rs_.keepStaged();
    }

private:
    Recordset& rs_;
    RosterKeys& keys_;
    WriteTransaction transaction_;
    bool committed_ = false;
};

} // namespace varnel::store
