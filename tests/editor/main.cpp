#include <QApplication>

#include <gtest/gtest.h>

// One application object for the whole binary; real widgets on the offscreen platform.
int main(int argc, char** argv)
{
    // Also when the binary runs outside CTest (test discovery at build time, by hand).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    return RUN_ALL_TESTS();
}
