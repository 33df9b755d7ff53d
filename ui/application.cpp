#include "ui/application.h"

#include "ui/about_box.h"
#include "ui/app_icons.h"
#include "ui/main_form.h"

#include <QApplication>
#include <QDir>

namespace varnel::ui {

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
}

bool loadFromCurrentDirectory(MainForm& form)
{
    return form.handler().run([&] { form.load(QDir::toNativeSeparators(QDir::currentPath())); });
}

} // namespace varnel::ui
