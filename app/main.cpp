// Varnel: the unit clerk's roster and promotion points.
#include "app/command_line.h"
#include "ui/application.h"
#include "ui/main_form.h"

#include <QApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char* argv[])
{
    // Before the window system is touched: --help and --version need no
    // display, and a wrong folder is said on the terminal.
    const varnel::app::StartRequest request = varnel::app::readCommandLine(argc, argv);
    if (!request.folder.isEmpty() && !QDir::setCurrent(request.folder)) {
        std::fprintf(stderr, "varnel: %s\n",
                     qPrintable(QCoreApplication::translate("varnel::app", "Cannot change into the folder %1.")
                                    .arg(QDir::toNativeSeparators(request.folder))));
        return 2;
    }

    QApplication app(argc, argv);
    varnel::ui::setUpApplication();

    varnel::ui::MainForm form;
    form.setReportDatabase(request.reportDatabase);
    varnel::ui::placeWindow(form);
    const bool loaded = request.database.isEmpty() ? varnel::ui::openAtStart(form, request.fromDesktop)
                                                   : varnel::ui::loadServerRoster(form, request.database);
    if (!loaded)
        return 1;
    form.show();
    return QApplication::exec();
}
