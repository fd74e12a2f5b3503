// The frame loop that demohost, demohost-capture and demohost-live share: start-up, one frame
// after another while the window is open and the script has not quit, and teardown.
#pragma once

#include "frame_pieces.h"

#include <string>
#include <vector>

// Runs res/main.lua with the script's arguments (those after the program's name); returns the
// process's exit status.
int RunProgram(const std::vector<std::string>& args, const FramePieces& pieces);
