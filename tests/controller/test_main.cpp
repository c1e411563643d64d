// One application object for the whole test binary, on the offscreen
// platform, with the station's style, font and exception reporting.

#include <gtest/gtest.h>

#include "controller/application.h"

int main(int argc, char** argv)
{
    // Test discovery runs this binary outside CTest's environment too.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    TTarvikApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
