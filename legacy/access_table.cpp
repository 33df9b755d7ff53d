#include "legacy/access_table.h"

#include "common/failure.h"
#include "legacy/access_file.h"
#include "legacy/import_failures.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

namespace varnel::legacy {

namespace {

#ifdef Q_OS_WIN
const QString kReaderName = QStringLiteral("varnel-access-reader.exe");
#else
const QString kReaderName = QStringLiteral("varnel-access-reader");
#endif

QString quoted(const QString& path)
{
    return u'"' + QDir::toNativeSeparators(path) + u'"';
}

// Hands the frames on to the sink and checks the record count against the
// table's design: a damaged page makes libmdb skip records, or read some
// twice, without a word.
class Reception : public StreamDecoder::Handler {
public:
    Reception(TableSink& sink, const QString& path, const QString& table, qint64 fileSize,
              const std::function<bool(int, int)>& progress)
        : sink_(sink), path_(path), table_(table), fileSize_(fileSize), progress_(progress) {}

    void hello(int jetVersion, quint32 declaredRows) override
    {
        info_.jetVersion = jetVersion;
        info_.declaredRows = declaredRows;
    }
    void columns(const QList<AccessColumn>& columns) override { sink_.columns(info_, columns); }
    void row(const QList<AccessValue>& values) override
    {
        ++rows_;
        // Every record takes at least a few bytes of the file and a slot in
        // its page's table of records: more than a quarter of the file's
        // bytes, or more than declared, means the reader is going round.
        if (quint64(rows_) > info_.declaredRows || rows_ > fileSize_ / 4)
            throw damaged(QStringLiteral("its table holds more records than its design says (%1)").arg(info_.declaredRows));
        sink_.row(rows_, values);
        if (progress_ && rows_ % 64 == 0 && !progress_(rows_, int(info_.declaredRows)))
            throw Failure(failure::Cancelled, QStringLiteral("The import of the Access file %1 was cancelled. Nothing was written.")
                                                  .arg(quoted(path_)));
    }
    void end(quint32 rows) override
    {
        ended_ = true;
        if (rows != quint32(rows_))
            throw damaged(QStringLiteral("the Access reader lost count of the records"));
        if (quint32(rows_) != info_.declaredRows)
            throw damaged(QStringLiteral("its table's design says %1 records, but %2 could be read")
                              .arg(info_.declaredRows)
                              .arg(rows_));
    }
    void failure(int number, const QString& text) override
    {
        if (number == failure::NoSuchTable)
            throw Failure(number, QStringLiteral("The Access file %1 has no table \"%2\". Nothing was written.").arg(quoted(path_), table_));
        throw damaged(text, number);
    }

    Failure damaged(const QString& why, int number = failure::DamagedFile) const
    {
        return Failure(number,
                       QStringLiteral("The Access file %1 is damaged: %2. Nothing was written; repair it with "
                                      "Access's Compact and Repair, then try again.")
                           .arg(quoted(path_), why));
    }

    bool ended() const { return ended_; }
    int rows() const { return rows_; }

private:
    TableSink& sink_;
    QString path_;
    QString table_;
    qint64 fileSize_;
    const std::function<bool(int, int)>& progress_;
    AccessTableInfo info_;
    int rows_ = 0;
    bool ended_ = false;
};

void stop(QProcess& reader)
{
    if (reader.state() != QProcess::NotRunning) {
        reader.kill();
        reader.waitForFinished(10000);
    }
}

} // namespace

QString readerProgram()
{
    const QDir here(QCoreApplication::applicationDirPath());
    QString beside = here.filePath(kReaderName);
    if (QFileInfo::exists(beside))
        return beside;
    return QDir::cleanPath(here.filePath(QStringLiteral(VARNEL_READER_FROM_BINDIR "/") + kReaderName));
}

int readAccessTable(const QString& path, const QString& table, TableSink& sink, const ReaderOptions& options)
{
    const QFileInfo file(path);
    if (!file.isFile())
        throw Failure(failure::FileNotFound, QStringLiteral("There is no Access file %1.").arg(quoted(path)));
    if (!isAccessFile(path))
        throw Failure(failure::NotAnAccessFile,
                      QStringLiteral("The file %1 is not an Access database (no Jet or ACE signature), or cannot be read.")
                          .arg(quoted(path)));

    const QString program = options.program.isEmpty() ? readerProgram() : options.program;
    if (!QFileInfo(program).isExecutable())
        throw Failure(failure::ReaderMissing,
                      QStringLiteral("The Access reader %1 is not installed; reinstall Varnel.").arg(quoted(program)));

    QProcess reader;
    reader.setProgram(program);
    reader.setArguments({file.absoluteFilePath(), table, QStringLiteral("--max-text-bytes"),
                         QString::number(options.maxTextBytes)});
    // libmdb takes its text encodings and debugging output from these;
    // the stream needs UTF-8 and nothing else on the reader's output.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"MDBICONV", "MDB_ICONV", "MDB_JET3_CHARSET", "MDBOPTS"})
        environment.remove(QString::fromLatin1(name));
    reader.setProcessEnvironment(environment);
    reader.setStandardInputFile(QProcess::nullDevice());
    reader.setStandardErrorFile(QProcess::nullDevice());
    reader.start(QIODevice::ReadOnly);
    if (!reader.waitForStarted(30000)) {
        const QString why = reader.errorString();
        stop(reader);
        throw Failure(failure::ReaderMissing,
                      QStringLiteral("The Access reader %1 cannot be started: %2.").arg(quoted(program), why));
    }

    Reception reception(sink, path, table, file.size(), options.progress);
    // A frame holds at most one record: each of its at most 255 columns a
    // text at the longest.
    StreamDecoder decoder(reception, 256 * (options.maxTextBytes + 64) + 65536);
    QElapsedTimer quiet;
    quiet.start();
    const int slice = int(std::min<qint64>(options.stallLimit.count(), 1000));
    try {
        for (;;) {
            const QByteArray bytes = reader.readAllStandardOutput();
            if (!bytes.isEmpty()) {
                quiet.restart();
                decoder.feed(bytes);
            }
            if (reader.state() == QProcess::NotRunning)
                break;
            if (quiet.elapsed() >= options.stallLimit.count()) {
                stop(reader);
                throw Failure(failure::ReaderStalled,
                              QStringLiteral("Reading the Access file %1 made no progress for %2 seconds, so it was "
                                             "stopped: the file is probably damaged. Nothing was written.")
                                  .arg(quoted(path))
                                  .arg(double(options.stallLimit.count()) / 1000.0));
            }
            // Wakes for output or the reader's end; a reader that closed its
            // output but goes on is waited for instead of polled.
            if (!reader.waitForReadyRead(slice) && reader.state() != QProcess::NotRunning)
                reader.waitForFinished(slice);
        }
    } catch (const StreamError& error) {
        stop(reader);
        throw reception.damaged(QStringLiteral("the Access reader went wrong (%1)").arg(QString::fromUtf8(error.what())));
    } catch (...) {
        stop(reader);
        throw;
    }

    if (!reception.ended() || decoder.midFrame() || reader.exitStatus() != QProcess::NormalExit || reader.exitCode() != 0) {
        QString how;
        if (reader.exitStatus() == QProcess::CrashExit)
            how = QStringLiteral("the Access reader crashed on it");
        else if (reader.exitCode() == stream::kWarningFloodExit)
            how = QStringLiteral("libmdb printed warnings without end while reading it");
        else
            how = QStringLiteral("the Access reader stopped with code %1 after %2 records").arg(reader.exitCode()).arg(reception.rows());
        throw reception.damaged(how);
    }
    return reception.rows();
}

} // namespace varnel::legacy
