#pragma once

#include <QString>

namespace varnel::legacy {

// The kind of database an Access file holds, by its signature: bytes 4 to 18
// read "Standard Jet DB" (Jet 3 and Jet 4, .mdb) or "Standard ACE DB" (Access
// 2007 and later, .accdb). None for anything else, and for a file that
// cannot be read.
enum class AccessFormat { None, Jet, Ace };
AccessFormat accessFormatOf(const QString& path);

inline bool isAccessFile(const QString& path) { return accessFormatOf(path) != AccessFormat::None; }

// "Jet 3 (Access 97)" and the like, for the version the reader reports.
QString jetVersionName(int jetVersion);

} // namespace varnel::legacy
