// The information fields that the profiler script modules carry.
#pragma once

#include <lua.hpp>

// Sets _COPYRIGHT, _DESCRIPTION, _NAME and _VERSION on the module table on top of the stack.
inline void SetModuleInfo(lua_State* L, const char* description, const char* name)
{
    lua_pushstring(L, "Copyright (C) the demohost developers");
    lua_setfield(L, -2, "_COPYRIGHT");
    lua_pushstring(L, description);
    lua_setfield(L, -2, "_DESCRIPTION");
    lua_pushstring(L, name);
    lua_setfield(L, -2, "_NAME");
    lua_pushstring(L, "1.0");
    lua_setfield(L, -2, "_VERSION");
}
