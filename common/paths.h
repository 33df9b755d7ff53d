#pragma once

#include <QString>

namespace varnel {

// Files are found in the current directory: the directory's text followed
// directly by the file's name with a leading separator. Nothing is trimmed or
// tested, so a root directory gives two separators in a row. On Windows the
// separator is the backslash; on POSIX a backslash would be part of the file
// name, so there the name begins with '/'.
#ifdef Q_OS_WIN
inline constexpr char16_t kLeadingSeparator = u'\\';
#else
inline constexpr char16_t kLeadingSeparator = u'/';
#endif

// `bareName` without separator, e.g. "Varnel_DATA.MDB".
inline QString fileInDirectory(const QString& directory, const QString& bareName)
{
    return directory + QChar(kLeadingSeparator) + bareName;
}

} // namespace varnel
