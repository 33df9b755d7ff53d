#pragma once

#include <QString>

namespace varnel::reports {

// Where the engine reports long work. The windowed engine shows a progress
// dialog with a Cancel button; writing a PDF without a window reports to
// nobody. Calls come from the one user-interface thread.
class ReportProgress {
public:
    virtual ~ReportProgress() = default;

    // A new stage of the work; `total` 0 means the amount is not known.
    virtual void begin(const QString& what, int total) = 0;

    // `done` steps of the stage are finished. Returns false once the clerk
    // has asked to stop; the engine then ends the report quietly.
    virtual bool step(int done) = 0;

    // The work is over (finished or stopped).
    virtual void end() = 0;
};

// Reports to nobody and never stops.
class SilentProgress final : public ReportProgress {
public:
    void begin(const QString&, int) override {}
    bool step(int) override { return true; }
    void end() override {}
};

} // namespace varnel::reports
