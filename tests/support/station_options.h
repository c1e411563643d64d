#pragma once

#include <string>

#include "support/spawned_process.h"
#include "support/temp_folder.h"

// How the tests start the real tarvik binary: `program` is a copy of it in
// `folder` (TTempFolder::CopyProgram), so the settings file it keeps beside
// its executable is the test's own and none lands beside the build's. It
// runs on the offscreen platform, in `folder` (where it looks for
// "index.html"), and the user's folders it falls back to for its settings
// are inside `folder` too.
[[nodiscard]] TSpawnedProcess::TOptions StationOptions(const TTempFolder& folder, const std::string& program);
