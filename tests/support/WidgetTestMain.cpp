// Entry of the widget test executables: a real QApplication on the platform CTest chooses (offscreen),
// with the Italian locale that the program gives every window.
#include "Cal.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(Cal::locale());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
