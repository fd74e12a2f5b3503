// The "zones" script module and the hook that times named script functions as zones.

#include "profile/zone_lua.h"

#include "profile/lua_module.h"


int zone_hook_running = 0;
ScriptZoneMap script_zone_map;

// "C:name" for C functions, "source(line):name" for script functions.
static void NameZone(lua_State* L, lua_Debug* ar, ScriptZoneRecord& record)
{
    std::string name = ar->name;
    lua_getinfo(L, "S", ar);
    if (ar->what[0] == 'C') {
        record.name = "C:" + name;
    } else if (ar->what[0] == 'L') {
        record.name = std::string(ar->source) + "(" + std::to_string(ar->linedefined) + "):" + name;
    } else {
        record.name = "<unknown>";
    }
    record.zone.name = record.name.c_str();
}

static ScriptZoneRecord& FindRecord(lua_State* L, lua_Debug* ar)
{
    lua_getinfo(L, "f", ar);
    const void* identity = lua_topointer(L, -1);
    lua_pop(L, 1);
    std::unique_ptr<ScriptZoneRecord>& record = script_zone_map[identity];
    if (!record)
        record = std::make_unique<ScriptZoneRecord>();
    if (!record->zone.name)
        NameZone(L, ar, *record);
    return *record;
}

// Calls of unnamed functions, calls made directly from C (i_ci 0) and tail returns are not timed.
static void ZoneHook(lua_State* L, lua_Debug* ar)
{
    if (ar->i_ci == 0 || ar->event == LUA_HOOKTAILRET)
        return;
    lua_getinfo(L, "n", ar);
    if (!ar->name)
        return;
    if (ar->event == LUA_HOOKCALL) {
        ScriptZoneRecord& record = FindRecord(L, ar);
        begin_zone(record.cache, record.zone);
    } else {
        end_zone();
    }
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
        profiler.damping = static_cast<float>(luaL_checknumber(L, 1));
        return 0;
    }
    lua_pushnumber(L, profiler.damping);
    return 1;
}

int ZoneLua_start(lua_State* L)
{
    if (zone_hook_running == 0) {
        zone_hook_running = 1;
        lua_sethook(L, ZoneHook, LUA_MASKCALL | LUA_MASKRET, 0);
    }
    return 0;
}

int ZoneLua_stop(lua_State* L)
{
    if (zone_hook_running == 1) {
        zone_hook_running = 0;
        lua_sethook(L, nullptr, 0, 0);
    }
    return 0;
}

int ZoneLua_is_running(lua_State* L)
{
    lua_pushboolean(L, zone_hook_running);
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
