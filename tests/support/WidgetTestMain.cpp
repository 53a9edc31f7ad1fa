// Entry of the widget test executables: a real QApplication on the platform CTest chooses (offscreen),
// with the Italian locale that the program gives every window.
#include "Cal.h"

#include <QApplication>

#include <gtest/gtest.h>

namespace {

QtMessageHandler standardHandler = nullptr;

// The offscreen platform says, for every window, which of a window manager's services it lacks; in a
// long test that chatter would bury a failure's own message.
void withoutPlatformChatter(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (!message.startsWith(QLatin1String("This plugin does not support")))
        standardHandler(type, context, message);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    standardHandler = qInstallMessageHandler(withoutPlatformChatter);
    QApplication app(argc, argv);
    QLocale::setDefault(Cal::locale());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
