#pragma once

#include <QString>
#include <functional>

namespace varnel::store {
class ConflictFailure;
}

namespace varnel::ui {

class MessageBoxes;

// The one place where failures become message boxes. Every event handler of
// the window runs its work through run(): a varnel::Failure thrown by a step
// ends the handler there (the steps before it stay done) and is shown in a
// box captioned "Varnel" as "number: description". Nothing escapes into Qt's
// event loop.
class Handler {
public:
    explicit Handler(MessageBoxes& boxes) : boxes_(&boxes) {}

    // True when the work ran to its end.
    bool run(const std::function<void()>& work) const noexcept;

    MessageBoxes& boxes() const { return *boxes_; }

    // A record another writer changed (3197) is not shown as a plain failure
    // but handed to `resolve`, which lets the clerk choose; without one it
    // is shown like any failure.
    void setConflictResolver(std::function<void(const store::ConflictFailure&)> resolve) { resolve_ = std::move(resolve); }

private:
    void show(const QString& text) const noexcept;

    MessageBoxes* boxes_;
    std::function<void(const store::ConflictFailure&)> resolve_;
};

} // namespace varnel::ui
