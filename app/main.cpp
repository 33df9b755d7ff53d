// Varnel: the unit clerk's roster and promotion points.
#include "ui/application.h"
#include "ui/main_form.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    varnel::ui::setUpApplication();

    varnel::ui::MainForm form;
    if (!varnel::ui::loadFromCurrentDirectory(form))
        return 1;
    form.show();
    return QApplication::exec();
}
