// The main of every test program: a QApplication for widget tests (offscreen unless a platform is asked
// for), else a QCoreApplication; the user's data and settings folders are the run's own.
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
    QTemporaryDir dataHome, configHome;
    qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
#ifdef VARNEL_TEST_WIDGETS
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    QCoreApplication::setApplicationName(QStringLiteral(VARNEL_PRODUCT_NAME));
    QCoreApplication::setApplicationVersion(QStringLiteral(VARNEL_VERSION));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
