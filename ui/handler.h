#pragma once

#include <functional>

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

private:
    MessageBoxes* boxes_;
};

} // namespace varnel::ui
