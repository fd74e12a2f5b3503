// The frame loop that demohost, demohost-capture and demohost-live share: start-up, one frame
// after another while the window is open and the script has not quit, and teardown.
#pragma once

#include "frame_pieces.h"

#include <lua.hpp>

#include <string>
#include <vector>

// Frame step: calls MusicEnd once if the music ended, then MusicSync(name) for each sync point
// passed, in arrival order. The events are taken out of the queue first, so the audio thread
// never waits while the script runs.
void DeliverMusicEvents(lua_State* L);

// Runs res/main.lua with the script's arguments (those after the program's name); returns the
// process's exit status.
int RunProgram(const std::vector<std::string>& args, const FramePieces& pieces);
