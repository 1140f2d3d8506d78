#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv)
{
    // Widget tests run without a display unless a platform is asked for (xvfb-run sets xcb).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
