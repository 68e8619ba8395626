// The end-to-end uploads run the real serial port and TCP client, which need Qt's event
// loop; everything else runs in virtual time and does not mind the application object.

#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
