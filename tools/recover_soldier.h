#pragma once

#include <QString>

namespace varnel::tools {

// Brings the soldier named `name` back from `copyPath` (a safety copy, or
// any older roster file) into the roster at `rosterPath`: each record of
// that name in the copy that the roster does not hold with the same values
// is added to the roster, through the program's own store (the same guard,
// safety copy and transaction as the window's Add). The roster's generated
// key is left for the roster to give; every other column is copied by its
// name. Returns how many records were added (0 when the roster already
// holds them all). Throws varnel::Failure: 22 when the copy is the roster
// itself, 3021 when the copy holds no soldier of that name, and the store's
// failures naming the file.
int recoverSoldier(const QString& copyPath, const QString& rosterPath, const QString& name);

} // namespace varnel::tools
