#include "store/file_check.h"

#include "common/failure_numbers.h"
#include "store/lock_wait.h"
#include "store/sql_support.h"

#include <QCoreApplication>
#include <QStringList>
#include <sqlite3.h>

namespace varnel::store {

namespace {

bool meansDamage(int code)
{
    const int primary = code & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

Failure damaged(const QString& path, const QString& detail)
{
    return Failure(RecordsetError::DamagedFile,
                   QCoreApplication::translate("varnel::store", "The roster file \"%1\" is damaged: %2. Nothing more is saved to it; "
                                  "restore a safety copy as the help describes.")
                       .arg(path, detail));
}

} // namespace

FileCheck::FileCheck(QString path)
    : path_(std::move(path))
{
}

FileCheck::~FileCheck()
{
    // A large roster closed right after it opened is not held open for the
    // rest of its check.
    if (stop_)
        stop_->stopAndWait(running_);
}

void FileCheck::start(std::function<void(const Failure&)> onDamage)
{
    if (settled_ || running_.valid())
        return;
    stop_ = std::make_shared<ReadingStop>();
    running_ = std::async(std::launch::async, [path = path_, onDamage = std::move(onDamage), stop = stop_] {
        Verdict verdict = run(path, stop.get());
        if (verdict && verdict->number() == RecordsetError::DamagedFile && onDamage)
            onDamage(*verdict);
        return verdict;
    });
}

FileCheck::Verdict FileCheck::verdict(ConnectionLockWait* wait)
{
    if (settled_)
        return *settled_;
    if (running_.valid() && wait) {
        QElapsedTimer since;
        since.start();
        while (running_.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
            if (!wait->waitMore(since))
                return Failure(SQLITE_BUSY, QCoreApplication::translate("varnel::store", "The roster file \"%1\" could not be checked "
                                                                                         "before the change: %2.")
                                                .arg(path_, lockedText()));
        }
    }
    Verdict verdict = running_.valid() ? running_.get() : run(path_);
    if (!verdict || verdict->number() == RecordsetError::DamagedFile)
        settled_ = verdict;
    return verdict;
}

FileCheck::Verdict FileCheck::run(const QString& path, ReadingStop* stop)
{
    // A connection of its own, opened like the program's (never creating the
    // file), that only reads.
    sqlite3* db = nullptr;
    const QByteArray uri = sqliteFileUri(path, false).toUtf8();
    int rc = sqlite3_open_v2(uri.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI, nullptr);
    auto failure = [&](int code) {
        const QString detail = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(code));
        if (meansDamage(code))
            return damaged(path, detail);
        return Failure(code, QCoreApplication::translate("varnel::store", "Cannot check the roster file \"%1\": %2.").arg(path, detail));
    };
    Verdict verdict;
    sqlite3_stmt* statement = nullptr;
    if (rc == SQLITE_OK) {
        sqlite3_extended_result_codes(db, 1);
        sqlite3_busy_timeout(db, int(kLockWaitLimit.count()));
        rc = sqlite3_exec(db, "PRAGMA query_only=1", nullptr, nullptr, nullptr);
    }
    if (rc == SQLITE_OK && stop && !stop->begin([db] { sqlite3_interrupt(db); }))
        rc = SQLITE_INTERRUPT;
    if (rc == SQLITE_OK)
        rc = sqlite3_prepare_v2(db, "PRAGMA quick_check(3)", -1, &statement, nullptr);
    if (rc == SQLITE_OK) {
        // One row "ok", or up to three rows saying what is wrong.
        QStringList findings;
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW)
            findings << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        if (rc == SQLITE_DONE) {
            rc = SQLITE_OK;
            if (findings != QStringList{QStringLiteral("ok")})
                verdict = damaged(path, findings.join(QStringLiteral("; ")));
        }
    }
    if (rc != SQLITE_OK)
        verdict = failure(rc);
    if (stop)
        stop->end();
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return verdict;
}

} // namespace varnel::store
