// The main of every test executable. Widget tests get a QApplication,
// headless unless a display platform is asked for; the others a
// QCoreApplication, through which Qt loads the SQLite driver plugin. The
// user's data folder is a temporary one.
#include "app/varnel_version.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#ifdef VARNEL_TEST_WIDGETS
#include <QApplication>
#else
#include <QCoreApplication>
#endif

int main(int argc, char** argv)
{
    // Safety copies and anything else kept in the user's data folder go to a
    // folder of the run's own, never into the real home.
    QTemporaryDir dataHome, configHome;
    qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit());
    // So are the program's settings (the recent rosters, where the window stood).
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
#ifdef VARNEL_TEST_WIDGETS
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    // The program's own name and version, as setUpApplication gives them.
    QCoreApplication::setApplicationName(QStringLiteral(VARNEL_PRODUCT_NAME));
    QCoreApplication::setApplicationVersion(QStringLiteral(VARNEL_VERSION));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
