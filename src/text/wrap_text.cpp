// Script bindings of the text functions: LoadFont, DrawText, and the module's text_size.

#include "script_args.h"
#include "script_bindings.h"
#include "text/text.h"

static int w_LoadFont(lua_State* L)
{
    lua_pushinteger(L, LoadFont(lua_tostring(L, 1), lua_tostring(L, 2)));
    return 1;
}

static int w_DrawText(lua_State* L)
{
    DrawText(ArgInt(L, 1), lua_tostring(L, 2), ArgInt(L, 3), ArgInt(L, 4), ArgInt(L, 5),
             lua_toboolean(L, 6), ArgFloat(L, 7), ArgFloat(L, 8), ArgFloat(L, 9), ArgFloat(L, 10));
    return 0;
}

static int w_host_text_size(lua_State* L)
{
    int font = static_cast<int>(luaL_checkinteger(L, 1));
    const char* text = luaL_checkstring(L, 2);
    auto limit = static_cast<int32_t>(luaL_optinteger(L, 3, -1));
    int width = 0, height = 0;
    if (!TextSize(font, text, limit, width, height))
        return luaL_argerror(L, 1, lua_pushfstring(L, "no font %d", font));
    lua_pushinteger(L, width);
    lua_pushinteger(L, height);
    return 2;
}

static const luaL_Reg text_globals[] = {
    {"LoadFont", Guarded<w_LoadFont, 1>},
    {"DrawText", Guarded<w_DrawText>},
    {nullptr, nullptr},
};

static const luaL_Reg text_module[] = {
    {"text_size", GuardedModule<w_host_text_size>},
    {nullptr, nullptr},
};

ScriptBindings TextBindings()
{
    return {text_globals, text_module};
}
