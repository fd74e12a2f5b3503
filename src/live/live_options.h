// The command line of demohost-live: where the frame time and the music start, and the script's
// arguments.
#pragma once

#include <string>
#include <vector>

struct LiveOptions {
    double start = 0;  // seconds
    std::vector<std::string> script_args;
};

const char* const kLiveUsage = "usage: demohost-live [--at SECONDS] [-- ARGS...]";

// Reads the arguments after the program's name; false with a one-line message in `error`.
bool ParseLiveOptions(const std::vector<std::string>& args, LiveOptions& options,
                      std::string& error);
