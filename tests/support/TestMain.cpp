#include <QApplication>

#include <gtest/gtest.h>

namespace {

QtMessageHandler g_defaultHandler = nullptr;

// The offscreen platform warns on every fixed-size window; that says nothing about our code.
void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains(QLatin1String("does not support propagateSizeHints")))
        return;
    g_defaultHandler(type, context, message);
}

} // namespace

// One application for every test of an executable; widgets run on the offscreen platform
// unless the environment names another.
int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    g_defaultHandler = qInstallMessageHandler(quietHandler);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
