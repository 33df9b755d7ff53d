// The window tests: headless unless a display platform is asked for.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Varnel"));
    QApplication::setApplicationVersion(QStringLiteral("1.2.0.7"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
