// One application object for the whole test binary, on the offscreen
// platform, with the station's style, font and exception reporting.

#include <gtest/gtest.h>

#include "controller/application.h"
#include "controller/tformtarvik.h"

int main(int argc, char** argv)
{
    // Test discovery runs this binary outside CTest's environment too.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    TTarvikApplication application(argc, argv);
    // Windows keep no settings file unless a test names one, so no test
    // reads what another one saved beside this binary.
    TFormTarvik::SetDefaultSettingsPlace(TSettingsPlace{});
    return RUN_ALL_TESTS();
}
