#pragma once

#include <QString>

namespace varnel::ui {

class MessageBoxes;

// Before the roster opens: when Varnel_DATA.MDB in `directory` is an Access
// file (the written program's roster), the clerk is asked whether to convert
// it. Yes: the soldiers are brought across into a new roster of that name,
// the Access file is kept unchanged beside it ("Varnel_DATA (Access).MDB",
// never over another file), and a message says so; the roster then opens as
// usual. No: throws Failure 26 (the file is not a roster database, as
// before), whose text gives the command that converts it. Any other file,
// or none, is left to the roster's own opening. A failed conversion throws
// its failure and leaves the Access file where it was.
void offerAccessConversion(const QString& directory, MessageBoxes& boxes);

} // namespace varnel::ui
