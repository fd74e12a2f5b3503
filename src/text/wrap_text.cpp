// Script bindings of the text functions: LoadFont, DrawText.

#include "bindings.h"
#include "script_args.h"
#include "text/text.h"

int w_LoadFont(lua_State* L)
{
    lua_pushinteger(L, LoadFont(lua_tostring(L, 1), lua_tostring(L, 2)));
    return 1;
}

int w_DrawText(lua_State* L)
{
    DrawText(ArgInt(L, 1), lua_tostring(L, 2), ArgInt(L, 3), ArgInt(L, 4), ArgInt(L, 5),
             lua_toboolean(L, 6), ArgFloat(L, 7), ArgFloat(L, 8), ArgFloat(L, 9), ArgFloat(L, 10));
    return 0;
}
