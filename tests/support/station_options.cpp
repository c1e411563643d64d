#include "support/station_options.h"

TSpawnedProcess::TOptions StationOptions(const TTempFolder& folder, const std::string& program)
{
    return {{program},
            {{"QT_QPA_PLATFORM", "offscreen"},
             {"HOME", folder.Path()},
             {"XDG_CONFIG_HOME", folder.Path("config")},
             {"XDG_RUNTIME_DIR", folder.Path()}},
            folder.Path(),
            SIGKILL};
}
