// The registry of script functions: the subsystems' binding tables in one order, the globals and
// the "demohost" module made from them, and the names the out-of-memory guards print.

#include "app/api.h"

#include "script_bindings.h"

#include <cstdio>

static ScriptBindings (*const kSubsystems[])() = {
    WindowBindings, RenderBindings, AudioBindings, ProfileBindings, TextBindings, TracksBindings,
};

// Runs `each(entry)` for every entry of the chosen table of every subsystem.
template <typename Each>
static void EveryEntry(const luaL_Reg* ScriptBindings::*table, Each each)
{
    for (ScriptBindings (*subsystem)() : kSubsystems)
        for (const luaL_Reg* entry = subsystem().*table; entry && entry->name; entry++)
            each(*entry);
}

static const char* RegisteredName(const luaL_Reg* ScriptBindings::*table, lua_CFunction func)
{
    const char* name = "?";
    EveryEntry(table, [&](const luaL_Reg& entry) {
        if (entry.func == func)
            name = entry.name;
    });
    return name;
}

int GlobalOutOfMemory(lua_State* L, lua_CFunction guarded, int zeros)
{
    printf("Out of memory in %s\n", RegisteredName(&ScriptBindings::globals, guarded));
    lua_settop(L, 0);
    for (int i = 0; i < zeros; i++)
        lua_pushinteger(L, 0);
    return zeros;
}

int ModuleOutOfMemory(lua_State* L, lua_CFunction guarded)
{
    lua_settop(L, 0);
    return luaL_error(L, "out of memory in demohost.%s",
                      RegisteredName(&ScriptBindings::module, guarded));
}

static int luaopen_demohost(lua_State* L)
{
    lua_newtable(L);
    EveryEntry(&ScriptBindings::module, [L](const luaL_Reg& entry) {
        lua_pushcfunction(L, entry.func);
        lua_setfield(L, -2, entry.name);
    });
    return 1;
}

void RegisterScriptApi(lua_State* L)
{
    EveryEntry(&ScriptBindings::globals,
               [L](const luaL_Reg& entry) { lua_register(L, entry.name, entry.func); });
    lua_getglobal(L, "package");
    lua_getfield(L, -1, "preload");
    lua_pushcfunction(L, luaopen_demohost);
    lua_setfield(L, -2, "demohost");
    lua_pop(L, 2);
}

std::vector<const char*> ScriptGlobalNames()
{
    std::vector<const char*> names;
    EveryEntry(&ScriptBindings::globals, [&](const luaL_Reg& entry) { names.push_back(entry.name); });
    return names;
}
