// main() for the test executables that need widgets (windows, dialogs, widget-backed
// settings): GoogleTest with a QApplication, on the offscreen platform unless the caller
// chose another one (the screenshot runs under Xvfb).
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
