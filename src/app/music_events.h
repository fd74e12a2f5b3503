// The delivery of music events to the script: a step of each frame, and of a good reload.
#pragma once

#include <lua.hpp>

// Calls MusicEnd once if the music ended, then MusicSync(name) for each sync point passed, in
// arrival order. The events are taken out of the queue first, so the audio thread never waits
// while the script runs.
void DeliverMusicEvents(lua_State* L);
