#pragma once

#include <QString>
#include <cstdio>
#include <cstdlib>

namespace varnel::fuzz {

// abort() is what libFuzzer saves the input for, and what fails a corpus replay.
[[noreturn]] inline void broken(const char* invariant, const QString& detail)
{
    std::fprintf(stderr, "fuzz invariant broken: %s\n  %s\n", invariant, detail.toLocal8Bit().constData());
    std::fflush(stderr);
    std::abort();
}

} // namespace varnel::fuzz
