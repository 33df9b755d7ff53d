// varnel-access-reader FILE TABLE [--max-text-bytes N]
//
// Reads one table of an Access file with libmdb and sends it on standard
// output (legacy/stream_format.h). The program that imports the file starts
// this reader as a process of its own and stops it when it hangs, so a
// damaged file never takes the program down. Not a command for the clerk.

#include "legacy/import_failures.h"
#include "legacy/mdb_table_reader.h"
#include "legacy/stream_format.h"
#include "legacy/stream_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <chrono>
#include <string>
#include <sys/stat.h>
#include <thread>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#define varnel_dup _dup
#define varnel_dup2 _dup2
#define varnel_fdopen _fdopen
#define varnel_lseek _lseek
#define varnel_read _read
#define varnel_fstat _fstat64
using varnel_stat_t = struct _stat64;
#else
#include <unistd.h>
#define varnel_dup dup
#define varnel_dup2 dup2
#define varnel_fdopen fdopen
#define varnel_lseek lseek
#define varnel_read read
#define varnel_fstat fstat
using varnel_stat_t = struct stat;
#endif

namespace {

// libmdb reports some damage only by printing a warning (a memo shorter
// than its header says, a page it cannot read) and goes on with what it
// has. Its standard output and error go to a scratch file, so the reader
// can tell after each step whether it complained; the stream keeps the
// real standard output to itself.
class LibraryOutput {
public:
    // The stream's file, on the original standard output; null on failure.
    std::FILE* takeOver()
    {
        const int streamFd = varnel_dup(1);
        if (streamFd < 0)
            return nullptr;
        std::FILE* stream = varnel_fdopen(streamFd, "wb");
        if (!stream)
            return nullptr;
#ifdef _WIN32
        _setmode(streamFd, _O_BINARY);
#endif
        scratch_ = std::tmpfile();
        if (scratch_) {
            std::fflush(stdout);
            std::fflush(stderr);
            varnel_dup2(fileno(scratch_), 1);
            varnel_dup2(fileno(scratch_), 2);
            seen_ = 0;
            stopFloods(fileno(scratch_));
        }
        static char buffer[1 << 16];
        std::setvbuf(stream, buffer, _IOFBF, sizeof buffer);
        return stream;
    }

    // What libmdb printed since the last call (its beginning), or nothing.
    std::string complaints()
    {
        if (!scratch_)
            return {};
        std::fflush(stdout);
        std::fflush(stderr);
        const int fd = fileno(scratch_);
        const long end = long(varnel_lseek(fd, 0, SEEK_END));
        if (end <= seen_)
            return {};
        std::string text(std::size_t(std::min(end - seen_, 300L)), '\0');
        varnel_lseek(fd, seen_, SEEK_SET);
        const auto got = varnel_read(fd, text.data(), unsigned(text.size()));
        text.resize(got > 0 ? std::size_t(got) : 0);
        varnel_lseek(fd, 0, SEEK_END);
        seen_ = end;
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        for (char& c : text) {
            if (c == '\n' || c == '\r')
                c = ' ';
        }
        return text.empty() ? std::string("(a warning)") : text;
    }

private:
    // A damaged catalog can make libmdb loop for ever, printing a warning
    // each time round: the scratch file would fill the disk long before the
    // program's watchdog stops the reader. Past a few megabytes of warnings
    // the reader ends itself.
    static void stopFloods(int fd)
    {
        std::thread([fd] {
            for (;;) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                varnel_stat_t status;
                if (varnel_fstat(fd, &status) == 0 && status.st_size > (4 << 20))
                    std::_Exit(varnel::legacy::stream::kWarningFloodExit);
            }
        }).detach();
    }

    std::FILE* scratch_ = nullptr;
    long seen_ = 0;
};

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3 && !(argc == 5 && std::strcmp(argv[3], "--max-text-bytes") == 0)) {
        std::fputs("usage: varnel-access-reader FILE TABLE [--max-text-bytes N]\n"
                   "Sends one table of an Access file to the program that started it.\n",
                   stderr);
        return 2;
    }
    varnel::legacy::ReadLimits limits;
    if (argc == 5) {
        char* end = nullptr;
        const unsigned long long n = std::strtoull(argv[4], &end, 10);
        if (!end || *end != '\0' || n < 64 || n > (1ull << 30)) {
            std::fputs("varnel-access-reader: --max-text-bytes takes 64 to 1073741824\n", stderr);
            return 2;
        }
        limits.maxTextBytes = std::size_t(n);
    }

    LibraryOutput library;
    std::FILE* stream = library.takeOver();
    if (!stream)
        return 3;
    varnel::legacy::stream::Writer out(stream);
    const int code = varnel::legacy::sendAccessTable(argv[1], argv[2], limits, out,
                                                     [&library] { return library.complaints(); });
    std::fflush(stream);
    return code;
}
