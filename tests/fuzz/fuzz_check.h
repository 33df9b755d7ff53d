#pragma once

#include <QByteArray>
#include <QString>
#include <cstdio>
#include <cstdlib>

namespace varnel::fuzz {

// Stops the run on a broken invariant. abort() is what libFuzzer treats as a
// crash (it saves the input), and what fails a corpus replay under CTest.
[[noreturn]] inline void broken(const char* invariant, const QString& detail)
{
    std::fprintf(stderr, "fuzz invariant broken: %s\n  %s\n", invariant, detail.toLocal8Bit().constData());
    std::fflush(stderr);
    std::abort();
}

// Input bytes as the program meets them: UTF-8 text from a file or a field.
inline QString textOf(const uint8_t* data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
}

} // namespace varnel::fuzz
