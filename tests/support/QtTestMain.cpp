// main() for the test executables: GoogleTest with a Qt application object, so that
// tests can post events, run timers and watch sockets on the real event loop.
#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
