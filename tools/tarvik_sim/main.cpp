#include "sim_options.h"
#include "sim_runner.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    TSimOptions options;
    std::string error;
    if (!ParseSimOptions(args, options, error)) {
        std::fprintf(stderr, "tarvik-sim: %s\nTry 'tarvik-sim --help' for the options.\n", error.c_str());
        return 2;
    }
    if (options.Help) {
        std::fputs(SimUsage().c_str(), stdout);
        return 0;
    }
    return RunSimulator(options, stdout, stderr);
}
