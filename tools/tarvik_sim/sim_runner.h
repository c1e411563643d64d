#pragma once

#include "sim_options.h"

#include <cstdio>

// Runs the simulator until SIGINT or SIGTERM: sets up the transport, serves
// the station, prints to `out` and ends with the summary. Start-up failures
// go to `err`. Returns the exit status: 0, or 1 when it could not start.
[[nodiscard]] int RunSimulator(const TSimOptions& options, std::FILE* out, std::FILE* err);
