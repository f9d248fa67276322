#include <gtest/gtest.h>

#include <QApplication>

namespace {

// The offscreen platform warns about window operations it cannot do (raise, activate); those
// are expected here and would bury real warnings.
void QuietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("This plugin does not support"))) {
        return;
    }
    qt_message_output(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler(QuietOffscreen);
    // Windows are drawn without a display; the fonts come from the system's fontconfig.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
