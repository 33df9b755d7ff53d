#pragma once

// One table of an Access file, read by the Access reader in a process of
// its own under a watchdog. libmdb is never loaded into this program: a
// damaged file that makes it hang or crash stops only the reader, and the
// read fails with a number.

#include "legacy/access_stream.h"

#include <QList>
#include <QString>
#include <chrono>
#include <functional>

namespace varnel::legacy {

struct ReaderOptions {
    // The reader program; empty: varnel-access-reader as installed with
    // this program (readerProgram()).
    QString program;
    // The reader must send something at least this often; a reader that
    // is silent longer is stopped (5201). Reading a record takes far less.
    std::chrono::milliseconds stallLimit{30000};
    // The longest text the reader converts (libmdb's buffer); a longer
    // value fails the read (5202), never cut.
    qint64 maxTextBytes = qint64(1) << 20;
    // Hears how many records were read out of how many the table's design
    // declares; returning false stops the reading (5207, nothing written).
    std::function<bool(int done, int total)> progress;
};

struct AccessTableInfo {
    int jetVersion = 0;       // 0 Jet 3, 1 Jet 4, 2 and up ACE
    quint32 declaredRows = 0; // as the table's design says
};

// Receives the table as it is read. What it throws stops the reader and
// goes on to the caller.
class TableSink {
public:
    virtual ~TableSink() = default;
    virtual void columns(const AccessTableInfo& info, const QList<AccessColumn>& columns) = 0;
    // `number`: 1 for the first record in the table's stored order.
    virtual void row(int number, const QList<AccessValue>& values) = 0;
};

// Reads the table `table` of the Access file at `path` into `sink` and
// returns the number of records. The file is only read. Throws
// varnel::Failure naming the file: 3024 no file there, 3343 not an Access
// file, 3011 no such table, 3049 damaged (libmdb cannot read it, the reader
// crashed, fewer or more records than the table declares, libmdb warned of
// damage while reading the records), 5201 the reader hung and was stopped,
// 5205 no reader installed.
int readAccessTable(const QString& path, const QString& table, TableSink& sink, const ReaderOptions& options = {});

// Where the reader is: beside the running program (a build folder), else
// in the folder the package installs it to.
QString readerProgram();

} // namespace varnel::legacy
