#include "ui/application.h"

#include "ui/about_box.h"
#include "ui/app_icons.h"
#include "ui/main_form.h"

#include <QApplication>
#include <QDir>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace varnel::ui {

namespace {

#ifdef Q_OS_UNIX
// A signal handler may do almost nothing: it writes a byte, and the event
// loop, which watches the other end, ends the program.
int terminationSocket[2] = {-1, -1};

void onTermination(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(terminationSocket[1], &byte, 1);
}

void endOnTermination()
{
    if (terminationSocket[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, terminationSocket) != 0)
        return;
    auto* notifier = new QSocketNotifier(terminationSocket[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
        char byte = 0;
        [[maybe_unused]] const auto read = ::read(terminationSocket[0], &byte, 1);
        QCoreApplication::exit(0);
    });
    struct sigaction action {};
    action.sa_handler = onTermination;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGHUP, SIGINT})
        ::sigaction(signal, &action, nullptr);
}
#else
void endOnTermination() {}
#endif

} // namespace

void setUpApplication()
{
    QApplication::setApplicationName(QStringLiteral("Varnel"));
    // No display name of its own: the window system would add it to every
    // caption ("About — Varnel"), and the captions are exactly "Varnel",
    // "About" and those of the messages.
    QApplication::setApplicationVersion(QString::fromLatin1(kProductVersion));
    QApplication::setWindowIcon(mainWindowIcon());
    // Closing the main window ends the program; the About box and the help
    // window never keep it running on their own.
    QApplication::setQuitOnLastWindowClosed(true);
    endOnTermination();
}

bool loadFromCurrentDirectory(MainForm& form)
{
    return form.handler().run([&] { form.load(QDir::toNativeSeparators(QDir::currentPath())); });
}

} // namespace varnel::ui
