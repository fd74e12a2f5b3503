// The "zones" script module: the zone profiler for scripts, reached through the program's export
// table with package.loadlib("", "luaopen_ZoneLua"). It also times named script functions as
// zones through a call/return hook that keeps the zones open on the script's real call stack.
// State: whether the hook runs, the records of timed functions, the hook's open frames, and the
// hook of a state set aside by a reload.
#pragma once

#include "profile/profiler.h"

#include <lua.hpp>

#if defined(_WIN32)
#define ZONE_LUA_EXPORT extern "C" __declspec(dllexport)
#else
#define ZONE_LUA_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// Closes the zones that the hook opened deeper than `depth` and every zone below that depth:
// called after each protected call into the script, whose errors unwind frames without returns.
void UnwindScriptZones(uint32_t depth);
// Ends the hook's timing of `L` before the state is closed.
void StopZoneHook(lua_State* L);
// A reload: the running state's hook is set aside, so the new state starts untimed; then either
// it is dropped with the old state, or the new state's hook ends and it comes back.
void SetZoneHookAside();
void ReleaseZoneHookAside();
void PutZoneHookBack();

ZONE_LUA_EXPORT int luaopen_ZoneLua(lua_State* L);
ZONE_LUA_EXPORT int ZoneLua_update(lua_State* L);
ZONE_LUA_EXPORT int ZoneLua_clear(lua_State* L);
ZONE_LUA_EXPORT int ZoneLua_output(lua_State* L);
ZONE_LUA_EXPORT int ZoneLua_damping(lua_State* L);
ZONE_LUA_EXPORT int ZoneLua_start(lua_State* L);
ZONE_LUA_EXPORT int ZoneLua_stop(lua_State* L);
ZONE_LUA_EXPORT int ZoneLua_is_running(lua_State* L);
ZONE_LUA_EXPORT int ZoneLua_tree_string(lua_State* L);
ZONE_LUA_EXPORT int ZoneLua_flat_string(lua_State* L);
