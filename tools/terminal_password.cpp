#include "tools/terminal_password.h"

#include <QCoreApplication>
#include <cstdio>
#include <string>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <termios.h>
#include <unistd.h>
#endif

namespace varnel::tools {

namespace {

bool inputIsTerminal()
{
#ifdef _WIN32
    return _isatty(_fileno(stdin)) != 0;
#else
    return isatty(fileno(stdin)) != 0;
#endif
}

// Turns the terminal's echo off while it lives, and back on as it was.
class EchoOff {
public:
    EchoOff()
    {
#ifdef _WIN32
        input_ = GetStdHandle(STD_INPUT_HANDLE);
        changed_ = GetConsoleMode(input_, &mode_) && SetConsoleMode(input_, mode_ & ~DWORD(ENABLE_ECHO_INPUT));
#else
        if (tcgetattr(fileno(stdin), &mode_) == 0) {
            termios quiet = mode_;
            quiet.c_lflag &= ~tcflag_t(ECHO);
            quiet.c_lflag |= ECHONL;
            changed_ = tcsetattr(fileno(stdin), TCSAFLUSH, &quiet) == 0;
        }
#endif
    }
    ~EchoOff()
    {
        if (!changed_)
            return;
#ifdef _WIN32
        SetConsoleMode(input_, mode_);
#else
        tcsetattr(fileno(stdin), TCSAFLUSH, &mode_);
#endif
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;
    bool changed() const
    {
        return changed_;
    }

private:
#ifdef _WIN32
    HANDLE input_ = nullptr;
    DWORD mode_ = 0;
#else
    termios mode_{};
#endif
    bool changed_ = false;
};

} // namespace

std::optional<PasswordAnswer> askPasswordOnTerminal(const QString& role, const QString& server)
{
    if (!inputIsTerminal())
        return std::nullopt;
    std::string line;
    {
        // The echo goes off before the question shows: nothing typed
        // after it is ever shown.
        const EchoOff quiet;
        if (!quiet.changed())
            return std::nullopt; // a terminal whose echo stays on would show it
        std::fprintf(stderr, "%s",
                     qPrintable(QCoreApplication::translate("varnel::tools", "Password of the role \"%1\" for %2: ")
                                    .arg(role, server)));
        std::fflush(stderr);
        for (int c = std::getc(stdin); c != EOF && c != '\n'; c = std::getc(stdin))
            line.push_back(char(c));
    }
#ifdef _WIN32
    std::fputc('\n', stderr); // the console echoes no end of line either
#endif
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    PasswordAnswer answer{QByteArray::fromStdString(line), true};
    std::fill(line.begin(), line.end(), '\0');
    return answer;
}

} // namespace varnel::tools
