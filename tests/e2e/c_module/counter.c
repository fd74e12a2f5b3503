/* A Lua C module as scripts load them with require: built without linking Lua, so every Lua
   function it calls comes from the program that loads it. counter.new(start) makes a counter;
   counter:add(n) adds n and gives the sum; counter:describe() gives it as text. */

#include <lauxlib.h>
#include <lua.h>

static int counter_new(lua_State* L)
{
    lua_Number start = luaL_optnumber(L, 1, 0);
    lua_Number* value = (lua_Number*)lua_newuserdata(L, sizeof(lua_Number));
    *value = start;
    luaL_getmetatable(L, "counter");
    lua_setmetatable(L, -2);
    return 1;
}

static int counter_add(lua_State* L)
{
    lua_Number* value = (lua_Number*)luaL_checkudata(L, 1, "counter");
    *value += luaL_checknumber(L, 2);
    lua_pushnumber(L, *value);
    return 1;
}

static int counter_describe(lua_State* L)
{
    lua_Number* value = (lua_Number*)luaL_checkudata(L, 1, "counter");
    lua_pushfstring(L, "counter at %f", *value);
    return 1;
}

int luaopen_counter(lua_State* L)
{
    static const luaL_Reg methods[] = {{"add", counter_add}, {"describe", counter_describe},
                                       {NULL, NULL}};
    static const luaL_Reg functions[] = {{"new", counter_new}, {NULL, NULL}};
    luaL_newmetatable(L, "counter");
    lua_pushvalue(L, -1);
    lua_setfield(L, -2, "__index");
    luaL_register(L, NULL, methods);
    luaL_register(L, "counter", functions);
    return 1;
}
