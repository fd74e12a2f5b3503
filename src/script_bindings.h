// What each subsystem's bindings file gives the registry (app/api.cpp): its global functions and
// its entries of the "demohost" module, and the guard every one of them runs in, so that a failed
// C++ allocation never crosses into the script engine.
#pragma once

#include <lua.hpp>

#include <new>

// Two tables ending with a null name; either may be null. Every function in them is guarded.
struct ScriptBindings {
    const luaL_Reg* globals;
    const luaL_Reg* module;
};

// The subsystems' tables, defined in their wrap files; the registry takes them in this order.
ScriptBindings WindowBindings();
ScriptBindings RenderBindings();
ScriptBindings AudioBindings();
ScriptBindings ProfileBindings();
ScriptBindings TextBindings();
ScriptBindings TracksBindings();

// A global whose allocation failed prints "Out of memory in NAME" and gives `zeros` zeros (the
// handle functions' "none") or nothing; a module function raises the script error
// "out of memory in demohost.NAME". `guarded` names the function by its registered entry.
int GlobalOutOfMemory(lua_State* L, lua_CFunction guarded, int zeros);
int ModuleOutOfMemory(lua_State* L, lua_CFunction guarded);

// Runs global binding F; the handler runs outside the catch, since it may raise a script error.
template <lua_CFunction F, int Zeros = 0>
int Guarded(lua_State* L)
{
    try {
        return F(L);
    } catch (const std::bad_alloc&) {
    }
    return GlobalOutOfMemory(L, Guarded<F, Zeros>, Zeros);
}

// Runs module binding F.
template <lua_CFunction F>
int GuardedModule(lua_State* L)
{
    try {
        return F(L);
    } catch (const std::bad_alloc&) {
    }
    return ModuleOutOfMemory(L, GuardedModule<F>);
}
