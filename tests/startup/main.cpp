// The process tests drive QProcess and the headless views queue calls on the event
// loop; both want an application object, which GoogleTest's own main does not make.

#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
