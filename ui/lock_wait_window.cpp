#include "ui/lock_wait_window.h"

#include "ui/product.h"

#include <QApplication>
#include <QProgressDialog>
#include <QThread>

namespace varnel::ui {

namespace {

// What waiting costs between two looks at the lock, and how long the wait
// goes unseen before the small window says what is waited for.
constexpr int kStepMs = 15;
constexpr std::chrono::milliseconds kShowAfter{500};

} // namespace

LockWaitWindow::LockWaitWindow(QWidget* window, std::function<QString()> rosterInWords)
    : window_(window), rosterInWords_(std::move(rosterInWords))
{
    // SQLite asks every few milliseconds while the lock is held; once it no
    // longer asks, the statement has its lock (or gave up) and the wait is
    // over.
    ended_.setSingleShot(true);
    ended_.setInterval(100);
    connect(&ended_, &QTimer::timeout, this, [this] { end(); });
}

LockWaitWindow::~LockWaitWindow()
{
    end();
}

bool LockWaitWindow::keepWaiting(std::chrono::milliseconds waited)
{
    if (!waiting_) {
        waiting_ = true;
        cancelled_ = false;
        QApplication::setOverrideCursor(Qt::BusyCursor);
    }
    ended_.start();
    if (waited >= kShowAfter && !indication_) {
        indication_ = std::make_unique<QProgressDialog>(
            tr("Waiting for %1, which another program is using...").arg(rosterInWords_()), tr("Cancel"), 0, 0,
            window_ && window_->isVisible() ? window_.data() : nullptr);
        indication_->setObjectName(QStringLiteral("LockWait"));
        indication_->setWindowTitle(kCaption);
        indication_->setWindowModality(Qt::ApplicationModal);
        indication_->setMinimumDuration(0);
        indication_->setAutoReset(false);
        indication_->setAutoClose(false);
        connect(indication_.get(), &QProgressDialog::canceled, this, [this] { cancelled_ = true; });
        indication_->show();
    }
    QThread::msleep(kStepMs);
    // Painting and timers go on; what the clerk types or clicks waits until
    // the small window, the only one that takes it then, is up.
    QCoreApplication::processEvents(indication_ ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    return !cancelled_;
}

void LockWaitWindow::end()
{
    ended_.stop();
    if (!waiting_)
        return;
    waiting_ = false;
    indication_.reset();
    QApplication::restoreOverrideCursor();
}

} // namespace varnel::ui
