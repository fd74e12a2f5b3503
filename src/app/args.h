// Readers of script arguments into C types, with the script language's lenient conversions.
#pragma once

#include <lua5.1/lua.hpp>

#include <climits>
#include <cmath>

// Truncates toward zero; NaN reads as 0 and values beyond int's range stop at its ends.
inline int TruncateToInt(double value)
{
    if (std::isnan(value))
        return 0;
    if (value <= INT_MIN)
        return INT_MIN;
    if (value >= INT_MAX)
        return INT_MAX;
    return static_cast<int>(value);
}

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
