#include "store/write_transaction.h"

#include "store/roster_backend.h"
#include "store/roster_file_guard.h"

namespace varnel::store {

WriteTransaction::WriteTransaction(RosterBackend& backend, RosterFileGuard* guard)
    : backend_(backend)
{
    if (const std::optional<Failure> refused = backend_.refusesWrites())
        throw *refused;
    if (guard)
        backend_.beforeWrite(*guard);
    backend_.beginWrite();
    open_ = true;
}

WriteTransaction::~WriteTransaction()
{
    if (open_)
        backend_.rollbackWrite();
}

void WriteTransaction::commit()
{
    backend_.commitWrite();
    open_ = false;
}

} // namespace varnel::store
