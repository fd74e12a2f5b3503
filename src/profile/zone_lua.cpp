// The "zones" script module and the hook that times named script functions as zones.

#include "profile/zone_lua.h"

#include "profile/call_levels.h"
#include "profile/zone_lua_internal.h"
#include "profile/lua_module.h"
#include "state_aside.h"

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// The zone of one function value, named "source(line):name" or "C:name" (two closures of the same
// code are two zones with equal names); records never move, so the zone and its name keep their
// addresses. Function values reach their record through a weak table, so a function allocated
// where a collected one was never inherits its record.
struct ScriptZoneRecord {
    ProfileZone zone;
    NodeCache cache;
    std::string name;
    size_t index;  // in the hook's list of records
    bool c_function;
};

// A function call the hook timed: its call level, its node's depth, whether it is a C function
// and whether it was tail called in place of the frame below it.
struct HookFrame {
    int level;
    uint32_t depth;
    bool c_function;
    bool replaces;
};

// The hook's open frames, innermost last, and the state it was started on (other threads, such
// as coroutines that inherited the hook, are not timed: their frames come and go with yields).
// Records are reached by index into the list of records, so a value a script put in the weak
// table cannot point anywhere.
struct ZoneHookState {
    CallLevelStack<HookFrame> stack;
    lua_State* state = nullptr;
    int running = 0;  // whether it ran, while set aside
};

static struct {
    // Every record made, in the order of their functions' first timed calls; never shrinks.
    std::vector<std::unique_ptr<ScriptZoneRecord>> records;
    int hook_running = 0;  // 1 while the hook times the running state
    ZoneHookState hook;
    ZoneHookState hook_aside;  // the hook of a state set aside by a reload
} zones;

// Registry key of the weak table from function values to record indices.
static char function_zones_key;

// Closes the innermost frame.
static void CloseFrame()
{
    end_zones_to_depth(zones.hook.stack.frames.back().depth - 1);
    zones.hook.stack.frames.pop_back();
}

void UnwindScriptZones(uint32_t depth)
{
    while (!zones.hook.stack.frames.empty() && zones.hook.stack.frames.back().depth > depth)
        zones.hook.stack.frames.pop_back();
    end_zones_to_depth(depth);
}

// "C:name" for C functions, "source(line):name" for script functions (a chunk's whole source
// would make every zone name as long as the chunk and break the report's lines).
static std::string ZoneName(lua_State* L, lua_Debug* ar)
{
    std::string name = ar->name;
    lua_getinfo(L, "S", ar);
    if (ar->what[0] == 'C')
        return "C:" + name;
    if (ar->what[0] != 'L')
        return "<unknown>";
    return std::string(ChunkName(ar)) + "(" + std::to_string(ar->linedefined) + "):" + name;
}

static size_t NewRecord(const std::string& name, bool c_function)
{
    auto& record = zones.records.emplace_back(std::make_unique<ScriptZoneRecord>());
    record->name = name;
    record->c_function = c_function;
    record->zone.name = record->name.c_str();
    record->index = zones.records.size() - 1;
    return record->index;
}

// Pushes the weak table of function zones, making it when the registry does not hold one.
static void PushFunctionZones(lua_State* L)
{
    lua_pushlightuserdata(L, &function_zones_key);
    lua_rawget(L, LUA_REGISTRYINDEX);
    if (lua_istable(L, -1))
        return;
    lua_pop(L, 1);
    lua_newtable(L);
    lua_createtable(L, 0, 1);
    lua_pushliteral(L, "k");
    lua_setfield(L, -2, "__mode");
    lua_setmetatable(L, -2);
    lua_pushlightuserdata(L, &function_zones_key);
    lua_pushvalue(L, -2);
    lua_rawset(L, LUA_REGISTRYINDEX);
}

// Pushes the function zones table, the function being called and its record index (or nil); true,
// with `index`, when the function has a record. The caller pops the three.
static bool KnownRecord(lua_State* L, lua_Debug* ar, size_t& index)
{
    PushFunctionZones(L);
    lua_getinfo(L, "f", ar);
    lua_pushvalue(L, -1);
    lua_rawget(L, -3);
    lua_Number found = lua_tonumber(L, -1);
    bool known = lua_isnumber(L, -1) && found >= 0 &&
                 found < static_cast<lua_Number>(zones.records.size());
    if (known)
        index = static_cast<size_t>(found);
    return known;
}

// The record of the function being called; a function seen for the first time is named then.
// A tail call under LuaJIT carries the name of the call it replaced, so a function first seen in
// one has no record (null) until a named call makes it.
static ScriptZoneRecord* FindRecord(lua_State* L, lua_Debug* ar, bool tail_call)
{
    if (!ar->name && !tail_call)
        return nullptr;
    size_t index = 0;
    if (KnownRecord(L, ar, index)) {
        lua_pop(L, 3);
        return zones.records[index].get();
    }
    lua_pop(L, 1);
    if (tail_call) {
        lua_pop(L, 2);
        return nullptr;
    }
    std::string name = ZoneName(L, ar);
    size_t made = NewRecord(name, ar->what[0] == 'C');
    lua_pushnumber(L, static_cast<lua_Number>(made));
    lua_rawset(L, -3);
    lua_pop(L, 1);
    return zones.records[made].get();
}

// A call: ends what it shows has ended, then opens the function's zone when it is named.
static void OpenFrame(lua_State* L, lua_Debug* ar)
{
    int level = ar->i_ci;
    bool tail_call = zones.hook.stack.EndAtCall(level, CloseFrame);
    lua_getinfo(L, "n", ar);
    ScriptZoneRecord* record = FindRecord(L, ar, tail_call);
    if (!record)
        return;
    begin_zone(record->cache, record->zone);
    zones.hook.stack.frames.push_back(
        {level, current_zone_depth(), record->c_function, tail_call});
}

// Times named calls as zones, on the script's call stack (see CallLevelStack). Calls of unnamed
// functions and tail returns are not timed.
static void ZoneHook(lua_State* L, lua_Debug* ar)
{
    if (L != zones.hook.state || ar->event == LUA_HOOKTAILRET)
        return;
    int event = ar->event;
    if (event == LUA_HOOKCOUNT)
        zones.hook.stack.EndDeeperThan(RunningLevel(L), CloseFrame);
    else if (ar->i_ci == 0)
        return;
    else if (event != LUA_HOOKCALL)
        zones.hook.stack.EndAtReturn(ar->i_ci, CloseFrame);
    else
        OpenFrame(L, ar);
    WatchForCReturn(L, ZoneHook, zones.hook.stack.AwaitsCReturn());
}

void StopZoneHook(lua_State* L)
{
    if (zones.hook.state == L)
        ZoneLua_stop(L);
    zones.hook.state = nullptr;
}

void SetZoneHookAside()
{
    zones.hook.running = zones.hook_running;
    SetPartAside(zones.hook, zones.hook_aside);
    zones.hook_running = 0;
}

// A hook set aside ends with the old state, which is closed after this.
static void DropZoneHook(ZoneHookState&) {}

// The new state's hook ends before the old one comes back.
static void EndZoneHook(ZoneHookState& hook)
{
    if (hook.state)
        StopZoneHook(hook.state);
}

void ReleaseZoneHookAside()
{
    ReleasePartAside(zones.hook_aside, DropZoneHook);
}

void PutZoneHookBack()
{
    PutPartBack(zones.hook, zones.hook_aside, EndZoneHook);
    zones.hook_running = zones.hook.running;
}

int ZoneLua_update(lua_State*)
{
    update();
    return 0;
}

int ZoneLua_clear(lua_State*)
{
    clear();
    return 0;
}

int ZoneLua_output(lua_State* L)
{
    const char* path = lua_gettop(L) == 1 ? luaL_checkstring(L, 1) : nullptr;
    output(path);
    return 0;
}

int ZoneLua_damping(lua_State* L)
{
    if (lua_gettop(L) == 1) {
        set_zone_damping(static_cast<float>(luaL_checknumber(L, 1)));
        return 0;
    }
    lua_pushnumber(L, zone_damping());
    return 1;
}

// Started over another debug hook, it says so in one line and does nothing, so the calling
// script goes on.
int ZoneLua_start(lua_State* L)
{
    if (lua_gethook(L) == ZoneHook ||
        OtherHookRefused(L, ZoneHook,
                         "zones.start: another debug hook (the script profiler's?) is running; "
                         "not started"))
        return 0;
    zones.hook_running = 1;
    zones.hook.state = L;
    zones.hook.stack.frames.clear();
    SetCallHook(L, ZoneHook);
    return 0;
}

// The functions the hook timed return unseen from now on, so their zones close here.
int ZoneLua_stop(lua_State* L)
{
    if (lua_gethook(L) == ZoneHook)
        SetCallHook(L, nullptr);
    zones.hook_running = 0;
    if (!zones.hook.stack.frames.empty())
        UnwindScriptZones(zones.hook.stack.frames.front().depth - 1);
    return 0;
}

int ZoneLua_is_running(lua_State* L)
{
    zones.hook_running = lua_gethook(L) == ZoneHook;
    lua_pushboolean(L, zones.hook_running);
    return 1;
}

int ZoneLua_tree_string(lua_State* L)
{
    const std::string& text = tree_text();
    lua_pushlstring(L, text.data(), text.size());
    return 1;
}

int ZoneLua_flat_string(lua_State* L)
{
    const std::string& text = flat_text();
    lua_pushlstring(L, text.data(), text.size());
    return 1;
}

static const luaL_Reg zone_functions[] = {
    {"update", ZoneLua_update},
    {"clear", ZoneLua_clear},
    {"output", ZoneLua_output},
    {"damping", ZoneLua_damping},
    {"start", ZoneLua_start},
    {"stop", ZoneLua_stop},
    {"is_running", ZoneLua_is_running},
    {"tree_string", ZoneLua_tree_string},
    {"flat_string", ZoneLua_flat_string},
    {nullptr, nullptr},
};

int luaopen_ZoneLua(lua_State* L)
{
    luaL_register(L, "zones", zone_functions);
    SetModuleInfo(L, "Zones is a call-tree profiler that times named regions of the program and "
                      "of its scripts.",
                  "Zone Profiler");
    return 1;
}

int ZoneHookRunning()
{
    return zones.hook_running;
}
