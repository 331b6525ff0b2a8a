#include "Screen.h"

#include <QApplication>
#include <QFileInfo>
#include <gtest/gtest.h>

// Test programs run real widgets on the offscreen platform unless told otherwise.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The windows' documented sizes fit, as on the plants' monitors.
    testscreen::startOn(testscreen::chosenSize(QSize(1920, 1080)));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QFileInfo(QString::fromLocal8Bit(argv[0])).baseName());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
