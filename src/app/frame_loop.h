// The frame loop that demohost and demohost-capture share: start-up, one frame after another
// while the window is open and the script has not quit, and teardown.
#pragma once

#include "frame_pieces.h"

// Runs res/main.lua with the arguments after argv[0]; returns the process's exit status.
int RunProgram(int argc, char** argv, const FramePieces& pieces);
