// The script engine the program is built with, LuaJIT or Lua 5.1 (same language and C API), and
// the two things about it that the profilers' hooks must know.
#pragma once

#include <lua.hpp>

#ifdef DEMOHOST_LUAJIT
#include <luajit.h>
#endif

// Lua 5.1 calls a return hook when a C function returns, LuaJIT only when a script function does;
// Lua 5.1 reports a tail-called function one call level deeper than the one it replaces, LuaJIT
// at the same level.
#ifdef DEMOHOST_LUAJIT
inline constexpr bool kHooksSeeCReturns = false;
inline constexpr bool kTailCallsKeepTheirLevel = true;
#else
inline constexpr bool kHooksSeeCReturns = true;
inline constexpr bool kTailCallsKeepTheirLevel = false;
#endif

// Compiled code runs no debug hooks: while a profiler's hook is set the compiler is off and the
// code it compiled is dropped, so that every call is interpreted and seen. Nothing under Lua 5.1.
inline void SetCompilerOn(lua_State* L, bool on)
{
#ifdef DEMOHOST_LUAJIT
    if (!on)
        luaJIT_setmode(L, 0, LUAJIT_MODE_ENGINE | LUAJIT_MODE_FLUSH);
    luaJIT_setmode(L, 0, LUAJIT_MODE_ENGINE | (on ? LUAJIT_MODE_ON : LUAJIT_MODE_OFF));
#else
    (void)L;
    (void)on;
#endif
}
