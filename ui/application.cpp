#include "ui/application.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "app/varnel_version.h"
#include "common/failure.h"
#include "common/paths.h"
#include "store/record_commands.h"
#include "ui/access_offer.h"
#include "ui/app_icons.h"
#include "ui/main_form.h"
#include "ui/product.h"
#include "ui/recent_rosters.h"

#include <QApplication>
#include <QGuiApplication>
#include <QIconEngine>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QScreen>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <optional>

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

namespace {

// A record another program filled with megabytes of text is read as blocks
// of tens of megabytes each time it becomes current or is stored. The C
// library maps each such block from the system anew and gives it back when
// freed, so every read pays for touching each page again (on the virtual
// machines offices run, that is most of the time: 10 MB of text took 80 ms
// to convert, 6 ms with the pages kept). Blocks up to 256 MiB are taken
// from and given back to the program's own heap instead.
void keepLargeBlocks()
{
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
#endif
}

// The arrow of the button a menu bar shows for menus that do not fit, read
// from the style when it is first drawn. The style reads it from an image
// file as the bar is made, and the first image file read has Qt look
// through every image format it can load: a quarter of the time before the
// first paint of a small roster's window, whose menus always fit.
class ArrowWhenDrawn : public QIconEngine {
public:
    ArrowWhenDrawn(QStyle* style, QStyle::StandardPixmap arrow) : style_(style), arrow_(arrow) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override { return icon().pixmap(size, mode, state); }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().actualSize(size, mode, state);
    }
    QIconEngine* clone() const override { return new ArrowWhenDrawn(*this); }

private:
    const QIcon& icon()
    {
        if (!read_ && style_)
            icon_ = style_->standardIcon(arrow_);
        read_ = true;
        return icon_;
    }

    QPointer<QStyle> style_;
    QStyle::StandardPixmap arrow_;
    QIcon icon_;
    bool read_ = false;
};

// The platform's style, but for the menu bar's arrow (above).
class StartUpStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    QIcon standardIcon(StandardPixmap which, const QStyleOption* option, const QWidget* widget) const override
    {
        if (which == SP_ToolBarHorizontalExtensionButton || which == SP_ToolBarVerticalExtensionButton)
            return QIcon(new ArrowWhenDrawn(baseStyle(), which));
        return QProxyStyle::standardIcon(which, option, widget);
    }
};

} // namespace

void setUpApplication()
{
    keepLargeBlocks();
    if (QStyle* platform = QStyleFactory::create(QApplication::style()->name()))
        QApplication::setStyle(new StartUpStyle(platform));
    QApplication::setApplicationName(kProductName);
    // No display name of its own: the window system would add it to every
    // caption ("About — Varnel"), and the captions are exactly "Varnel",
    // "About" and those of the messages.
    QApplication::setApplicationVersion(kProductVersion);
    QApplication::setWindowIcon(mainWindowIcon());
    // The window belongs to the installed desktop entry, so a task bar
    // shows the entry's icon and name for it.
    QGuiApplication::setDesktopFileName(QStringLiteral(VARNEL_APP_ID));
    // Closing the main window ends the program; the About box and the help
    // window never keep it running on their own.
    QApplication::setQuitOnLastWindowClosed(true);
    endOnTermination();
}

QString userRosterFolder()
{
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty())
        documents = QDir::homePath();
    return QDir(documents).filePath(kProductName);
}

bool openAtStart(MainForm& form, bool fromDesktop)
{
    const QFileInfo roster(fileInDirectory(QDir::currentPath(), store::kRosterFileName));
    if (fromDesktop && !roster.exists() && !roster.isSymLink()) {
        form.showFirstRun();
        return true;
    }
    return loadFromCurrentDirectory(form);
}

void placeWindow(MainForm& form)
{
    const std::optional<QPoint> at = RecentRosters::windowPosition();
    if (at && QGuiApplication::screenAt(*at + QPoint(40, 40)))
        form.move(*at);
}

QString howToMakeARoster(const QString& rosterPath)
{
    return QCoreApplication::translate("varnel::ui",
                                       "There is no roster file here. %2 never creates one: to start a new, "
                                       "empty roster, run\n\n    varnel-roster create \"%1\"\n\nand start %2 "
                                       "again. To keep the roster in another folder, start %2 there "
                                       "(varnel FOLDER).")
        .arg(rosterPath, kProductName);
}

bool loadRoster(MainForm& form, const QString& directory)
{
    return form.handler().run([&] {
        try {
            offerAccessConversion(directory, form.handler().boxes());
            form.load(directory);
        } catch (const Failure& failure) {
            // The engine's failure stands as it is; when the file is simply
            // not there, the clerk is told how to make one.
            const QString roster = fileInDirectory(directory, store::kRosterFileName);
            if (QFileInfo::exists(roster) || QFileInfo(roster).isSymLink())
                throw;
            throw Failure(failure.number(), failure.description() + QStringLiteral("\n\n") + howToMakeARoster(roster));
        }
    });
}

bool loadServerRoster(MainForm& form, const QString& address)
{
    return form.handler().run([&] { form.load(QDir::currentPath(), address); });
}

bool loadFromCurrentDirectory(MainForm& form)
{
    return loadRoster(form, QDir::toNativeSeparators(QDir::currentPath()));
}

} // namespace varnel::ui
