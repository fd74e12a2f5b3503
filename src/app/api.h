// The registry of script functions: the 27 globals a script drives the program with and the
// "demohost" module, gathered from every subsystem's bindings in one order.
#pragma once

#include <lua.hpp>

#include <vector>

// Installs every global script function, in registration order, and makes the module available
// to `require "demohost"` through package.preload (adding no global).
void RegisterScriptApi(lua_State* L);
// The names of the global functions, in registration order.
std::vector<const char*> ScriptGlobalNames();
