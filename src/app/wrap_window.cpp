// Script bindings of the window and input functions: OpenWindow, GetKey, GetMouse, Quit.

#include "bindings.h"
#include "script_args.h"
#include "app/window.h"

int w_OpenWindow(lua_State* L)
{
    OpenWindow(ArgInt(L, 1), ArgInt(L, 2), lua_tostring(L, 3));
    return 0;
}

int w_GetKey(lua_State* L)
{
    lua_pushboolean(L, GetKey(lua_tostring(L, 1)));
    return 1;
}

int w_GetMouse(lua_State* L)
{
    MouseState mouse = GetMouse();
    lua_pushinteger(L, mouse.x);
    lua_pushinteger(L, mouse.y);
    lua_pushboolean(L, mouse.left);
    lua_pushboolean(L, mouse.right);
    return 4;
}

int w_Quit(lua_State*)
{
    Quit();
    return 0;
}
