// The script API: the global functions a script drives the program with, and their registration.
#pragma once

#include <lua.hpp>

// Installs every script function as a global of the state, in registration order.
void RegisterScriptApi(lua_State* L);
