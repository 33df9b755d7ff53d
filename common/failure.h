#pragma once

#include <QString>
#include <stdexcept>

namespace varnel {

// The one exception type for a failing platform step (database, report
// engine, window operation). It carries the failing component's error number
// and its description; the window's handler wrapper shows both and nothing
// else. Thrown by a step, it stops the command there: the steps before it
// stay done.
class Failure : public std::runtime_error {
public:
    Failure(int number, const QString& description)
        : std::runtime_error(description.toStdString()), number_(number), description_(description) {}

    int number() const { return number_; }
    const QString& description() const { return description_; }

private:
    int number_;
    QString description_;
};

} // namespace varnel
