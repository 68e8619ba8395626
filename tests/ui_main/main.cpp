// The main window's tests need a widget application; they run offscreen. With
// "--screenshots <folder>" the program renders the windows into PNG files instead.

#include "screenshots.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstring>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--screenshots") == 0)
        return zarvex::test::renderScreenshots(argv[2]);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
