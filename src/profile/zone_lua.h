// The "zones" script module: the zone profiler for scripts, reached through the program's export
// table with package.loadlib("", "luaopen_ZoneLua"). It also times named script functions as
// zones through a call/return hook that keeps the zones open on the script's real call stack.
// State: `zone_hook_running`, `script_zone_map`, and the hook's open frames.
#pragma once

#include "profile/profiler.h"

#include <lua5.1/lua.hpp>

#include <memory>
#include <string>
#include <vector>

#define ZONE_LUA_EXPORT extern "C" __attribute__((visibility("default")))

// The zone of one function value, named "source(line):name" or "C:name" (two closures of the same
// code are two zones with equal names); records never move, so the zone and its name keep their
// addresses. Function values reach their record through a weak table, so a function allocated
// where a collected one was never inherits its record.
struct ScriptZoneRecord {
    ProfileZone zone;
    NodeCache cache;
    std::string name;
    size_t index;  // in the hook's list of records
};

// Every record made, in the order of their functions' first timed calls; never shrinks.
using ScriptZoneMap = std::vector<std::unique_ptr<ScriptZoneRecord>>;

extern int zone_hook_running;
extern ScriptZoneMap script_zone_map;

// Closes the zones that the hook opened deeper than `depth` and every zone below that depth:
// called after each protected call into the script, whose errors unwind frames without returns.
void UnwindScriptZones(uint32_t depth);
// Ends the hook's timing of `L` before the state is closed.
void StopZoneHook(lua_State* L);

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
