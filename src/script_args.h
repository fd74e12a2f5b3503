// Readers of script arguments into C types, with the script language's lenient conversions.
#pragma once

#include "truncate.h"

#include <lua.hpp>

// Argument `index` as an integer (the script language's conversion, narrowed to int).
inline int ArgInt(lua_State* L, int index)
{
    return static_cast<int>(lua_tointeger(L, index));
}

// Argument `index` as a number, narrowed to a single-precision float.
inline float ArgFloat(lua_State* L, int index)
{
    return static_cast<float>(lua_tonumber(L, index));
}
