// The command line of demohost-live: where the frame time and the music start, the sync
// editor's address, and the script's arguments.
#pragma once

#include <string>
#include <vector>

struct LiveOptions {
    double start = 0;  // seconds
    std::string editor_host = "localhost";
    std::string editor_port = "1338";
    std::vector<std::string> script_args;
};

const char* const kLiveUsage =
    "usage: demohost-live [--at SECONDS] [--editor HOST:PORT] [-- ARGS...]";

// Reads the arguments after the program's name; false with a one-line message in `error`.
bool ParseLiveOptions(const std::vector<std::string>& args, LiveOptions& options,
                      std::string& error);
