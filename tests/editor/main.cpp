// The tests need one application object for the whole run.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStandardPaths>
#include <cstdlib>

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // The settings the windows remember go to a folder of the test run's own.
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
