#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    // Windows are drawn without a display; the fonts come from the system's fontconfig.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
