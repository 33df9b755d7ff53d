#include "ui/dialog_progress.h"

#include "ui/product.h"

#include <QCoreApplication>
#include <QProgressDialog>

namespace varnel::ui {

namespace {
// How often a visible dialog gets to handle events (repaint, Cancel).
constexpr qint64 kEventIntervalMs = 50;
} // namespace

DialogProgress::DialogProgress(QWidget* parent, int showAfterMs) : parent_(parent), showAfterMs_(showAfterMs) {}

DialogProgress::~DialogProgress() = default;

QProgressDialog* DialogProgress::dialog() const
{
    return dialog_.get();
}

void DialogProgress::begin(const QString& what, int total)
{
    // One report is one piece of work: the clock runs from the first stage.
    if (!running_) {
        running_ = true;
        cancelled_ = false;
        sinceStart_.start();
    }
    stage_ = what;
    total_ = total;
    if (dialog_) {
        dialog_->setLabelText(stage_);
        dialog_->setRange(0, total_);
        dialog_->setValue(0);
    }
}

bool DialogProgress::step(int done)
{
    if (cancelled_)
        return false;
    if (!dialog_) {
        if (sinceStart_.elapsed() < showAfterMs_)
            return true;
        dialog_ = std::make_unique<QProgressDialog>(stage_, QStringLiteral("Cancel"), 0, total_, parent_);
        dialog_->setWindowTitle(kCaption);
        dialog_->setWindowModality(Qt::ApplicationModal);
        dialog_->setMinimumDuration(0);
        dialog_->setAutoClose(false);
        dialog_->setAutoReset(false);
        dialog_->show();
        sinceEvents_.invalidate();
    }
    if (!sinceEvents_.isValid() || sinceEvents_.elapsed() >= kEventIntervalMs) {
        dialog_->setValue(total_ > 0 ? qMin(done, total_) : 0);
        QCoreApplication::processEvents();
        sinceEvents_.start();
        cancelled_ = dialog_->wasCanceled();
    }
    return !cancelled_;
}

void DialogProgress::end()
{
    running_ = false;
    dialog_.reset();
}

} // namespace varnel::ui
