#include "window/qt/form1.hpp"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char* argv[])
{
    // The window tests drive real widgets, without a display unless one is asked for.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    rechner::prepareApplication(app);   // as the program does: German Qt texts
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
