#pragma once

#include "reports/report_progress.h"

#include <QElapsedTimer>
#include <QPointer>
#include <memory>

class QProgressDialog;
class QWidget;

namespace varnel::ui {

// Progress for the windowed report engine and the window's long commands: a
// modal QProgressDialog with a Cancel button that appears once the work has
// lasted half a second. While it is up, steps let the window handle events
// a few times a second so the clerk can press Cancel.
class DialogProgress final : public reports::ReportProgress {
public:
    explicit DialogProgress(QWidget* parent = nullptr, int showAfterMs = 500);
    ~DialogProgress() override;

    void begin(const QString& what, int total) override;
    bool step(int done) override;
    void end() override;

    // The dialog while it is up, for the window's tests; else null.
    QProgressDialog* dialog() const;

private:
    QPointer<QWidget> parent_;
    int showAfterMs_;
    std::unique_ptr<QProgressDialog> dialog_;
    QElapsedTimer sinceStart_;
    QElapsedTimer sinceEvents_;
    bool running_ = false;
    bool cancelled_ = false;
    QString stage_; // the text of the current stage
    int total_ = 0;
};

} // namespace varnel::ui
