#pragma once

#include <QDateTime>
#include <QString>

struct sqlite3;

namespace varnel::store {

// How many safety copies of one roster folder's file are kept.
inline constexpr int kSafetyCopiesKept = 20;

// The folder of the safety copies: Varnel/backups in the user's data folder
// ($XDG_DATA_HOME, else ~/.local/share), never the roster's own folder.
QString safetyCopyFolder();

// Saves a consistent copy of the open roster `source` (SQLite's online
// backup, so a change being written by another program is in it wholly or
// not at all) into safetyCopyFolder(), named by the roster's folder and
// `now`: "<folder>-<hash>_<yyyy-MM-dd_HH-mm-ss>.MDB". Folders it makes are
// private to the user (0700), a folder that was there keeps its mode; the
// copy is private (0600), created new, written under a temporary name and
// renamed when complete. Never writes into the roster's own folder, however
// the path leads there (refused, 14). Keeps the newest kSafetyCopiesKept
// copies of that roster folder, the one just made always among them, and
// removes older ones. Returns the copy's path; throws varnel::Failure
// naming the file.
// Another program's lock on the roster is waited for through `wait` (none:
// by sleeping, at most kLockWaitLimit).
QString saveSafetyCopy(sqlite3* source, const QString& rosterPath, const QDateTime& now, class ConnectionLockWait* wait = nullptr);

// The copies kept for the roster at `rosterPath`, oldest first.
QStringList safetyCopiesOf(const QString& rosterPath);

} // namespace varnel::store
