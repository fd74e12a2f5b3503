// The frame loop that demohost and demohost-capture share: start-up, one frame after another
// while the window is open and the script has not quit, and teardown.
#pragma once

#include "frame_pieces.h"

#include <lua5.1/lua.hpp>

// Frame step: calls MusicEnd once if the music ended, then MusicSync(name) for each sync point
// passed, in arrival order. The events are taken out of the queue first, so the audio thread
// never waits while the script runs.
void DeliverMusicEvents(lua_State* L);

// Runs res/main.lua with the arguments after argv[0]; returns the process's exit status.
int RunProgram(int argc, char** argv, const FramePieces& pieces);
