// Varnel: the unit clerk's roster and promotion points.
#include "ui/app_icons.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"

#include <QApplication>
#include <QDir>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Varnel"));
    // No display name of its own: the window system would add it to every
    // caption ("About — Varnel"), and the captions are exactly "Varnel",
    // "About" and those of the messages.
    QApplication::setApplicationVersion(QStringLiteral("1.2.0.7"));
    QApplication::setWindowIcon(varnel::ui::mainWindowIcon());
    // Closing the main window ends the program; the About box and the help
    // window never keep it running on their own.
    QApplication::setQuitOnLastWindowClosed(true);

    varnel::ui::MainForm form;
    // The Load event: the roster file of the current directory is opened
    // before the window is first shown. Without it there is nothing to work
    // on, so a failure here is shown and ends the program.
    if (!form.handler().run([&] { form.load(QDir::toNativeSeparators(QDir::currentPath())); }))
        return 1;
    form.show();
    return QApplication::exec();
}
