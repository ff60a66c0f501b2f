#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    // The upload test shows the real window; a widget application serves the others as well.
    // Listing the tests at build time needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
