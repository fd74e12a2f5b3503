// Script bindings of the text functions: LoadFont, DrawText.

#include "app/api.h"
#include "text/text.h"

int w_LoadFont(lua_State* L)
{
    lua_pushinteger(L, LoadFont(lua_tostring(L, 1), lua_tostring(L, 2)));
    return 1;
}

int w_DrawText(lua_State* L)
{
    DrawText(static_cast<int>(lua_tointeger(L, 1)), lua_tostring(L, 2),
             static_cast<int>(lua_tointeger(L, 3)), static_cast<int>(lua_tointeger(L, 4)),
             static_cast<int32_t>(lua_tointeger(L, 5)), lua_toboolean(L, 6),
             static_cast<float>(lua_tonumber(L, 7)), static_cast<float>(lua_tonumber(L, 8)),
             static_cast<float>(lua_tonumber(L, 9)), static_cast<float>(lua_tonumber(L, 10)));
    return 0;
}
