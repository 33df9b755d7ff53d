#pragma once

#include <QFileDevice>
#include <QList>
#include <QString>
#include <optional>

namespace varnel {

// A file an output the clerk names (a PDF, a CSV export) must never
// replace: a roster, a report layout.
struct KeptFile {
    QString path;
    QString what;            // as a message names it: "the roster file ..."
    bool hasJournal = false; // an SQLite file, whose journal's names are kept too
};

// The first of `kept` that writing to `target` would replace: the same file
// by its identity (a hard link, another spelling of its path), or the file
// a write would land on with links followed, also one that does not exist
// yet (an SQLite file's -journal, -wal and -shm beside it). Nothing when
// the target is none of them.
std::optional<KeptFile> keptFileAt(const QString& target, const QList<KeptFile>& kept);

// Why a write to `file` just failed, as the system says it ("No space left
// on device"): Qt's own text where it has one, the system's last error
// where Qt's is only "Unknown error". Asked right after the failure.
QString writeFailureText(const QFileDevice& file);

} // namespace varnel
