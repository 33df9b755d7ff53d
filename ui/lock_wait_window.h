#pragma once

#include "store/lock_wait.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>

class QProgressDialog;
class QWidget;

namespace varnel::ui {

// How the window waits for a roster file another program has locked: it
// goes on painting, with the busy pointer at once and, past half a second,
// a small window saying what it waits for, with Cancel. Until that window
// is up the clerk's keys and clicks wait, so no other command starts in the
// middle of this one; while it is up, it is the only one that takes them.
class LockWaitWindow final : public QObject, public store::LockWait {
    Q_OBJECT
public:
    // `rosterInWords` names the roster for the text ("the roster file ...").
    LockWaitWindow(QWidget* window, std::function<QString()> rosterInWords);
    ~LockWaitWindow() override;

    bool keepWaiting(std::chrono::milliseconds waited) override;
    // The small window while it is up, for tests; else null.
    QProgressDialog* indication() const { return indication_.get(); }

private:
    void end();

    QPointer<QWidget> window_;
    std::function<QString()> rosterInWords_;
    std::unique_ptr<QProgressDialog> indication_;
    QTimer ended_;
    bool waiting_ = false;
    bool cancelled_ = false;
};

} // namespace varnel::ui
