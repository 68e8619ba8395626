// The live Ethernet tests pump Qt's event loop through the real clock, so they need an
// application object; GoogleTest's own main has none.

#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
