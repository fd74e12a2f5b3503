// Script bindings of the window and input: OpenWindow, GetKey, GetMouse, Quit, and the module's
// key, pressed, released, wheel, window and fullscreen.

#include "app/fullscreen.h"
#include "app/input.h"
#include "app/window.h"
#include "script_args.h"
#include "script_bindings.h"

static int w_OpenWindow(lua_State* L)
{
    OpenWindow(ArgInt(L, 1), ArgInt(L, 2), lua_tostring(L, 3));
    return 0;
}

static int w_GetKey(lua_State* L)
{
    lua_pushboolean(L, GetKey(lua_tostring(L, 1)));
    return 1;
}

static int w_GetMouse(lua_State* L)
{
    MouseState mouse = GetMouse();
    lua_pushinteger(L, mouse.x);
    lua_pushinteger(L, mouse.y);
    lua_pushboolean(L, mouse.left);
    lua_pushboolean(L, mouse.right);
    return 4;
}

static int w_Quit(lua_State*)
{
    Quit();
    return 0;
}

// The key named by argument 1; an unknown name is an error that names it.
static NamedKey CheckKey(lua_State* L)
{
    const char* name = luaL_checkstring(L, 1);
    NamedKey key;
    if (!FindNamedKey(name, key))
        luaL_argerror(L, 1, lua_pushfstring(L, "unknown key name '%s'", name));
    return key;
}

template <bool (*Read)(int)>
static int PushKey(lua_State* L)
{
    NamedKey key = CheckKey(L);
    lua_pushboolean(L, Read(key.key) || (key.other_side >= 0 && Read(key.other_side)));
    return 1;
}

static int w_host_key(lua_State* L)
{
    return PushKey<KeyHeld>(L);
}

static int w_host_pressed(lua_State* L)
{
    return PushKey<KeyWentDown>(L);
}

static int w_host_released(lua_State* L)
{
    return PushKey<KeyWentUp>(L);
}

static int w_host_wheel(lua_State* L)
{
    double x = 0, y = 0;
    WheelDelta(x, y);
    lua_pushnumber(L, x);
    lua_pushnumber(L, y);
    return 2;
}

static int w_host_window(lua_State* L)
{
    int width = 0, height = 0;
    WindowSize(width, height);
    lua_pushinteger(L, width);
    lua_pushinteger(L, height);
    return 2;
}

static int w_host_fullscreen(lua_State* L)
{
    luaL_checkany(L, 1);
    SetFullscreen(lua_toboolean(L, 1));
    return 0;
}

static const luaL_Reg window_globals[] = {
    {"OpenWindow", Guarded<w_OpenWindow>},
    {"GetKey", Guarded<w_GetKey>},
    {"GetMouse", Guarded<w_GetMouse>},
    {"Quit", Guarded<w_Quit>},
    {nullptr, nullptr},
};

static const luaL_Reg window_module[] = {
    {"key", GuardedModule<w_host_key>},
    {"pressed", GuardedModule<w_host_pressed>},
    {"released", GuardedModule<w_host_released>},
    {"wheel", GuardedModule<w_host_wheel>},
    {"window", GuardedModule<w_host_window>},
    {"fullscreen", GuardedModule<w_host_fullscreen>},
    {nullptr, nullptr},
};

ScriptBindings WindowBindings()
{
    return {window_globals, window_module};
}
