// Following a script's real call stack from a call/return hook, shared by the zone hook and the
// script profiler: frames are kept by call level (lua_Debug::i_ci, which grows with the depth of
// the stack under both engines), so that returns the hook never sees (frames an error unwound,
// tail calls, and under LuaJIT every C function's return) still end the frames they belong to.
// Also the rules both hooks follow: one debug hook at a time, and how a chunk is named.
#pragma once

#include "profile/script_engine.h"

#include <cstdio>
#include <vector>

// The open frames of a hook, innermost last; `Frame` has an int `level` and bools `c_function`
// and `replaces` (it was tail called in place of the frame below it).
template <typename Frame>
struct CallLevelStack {
    std::vector<Frame> frames;

    // A call at `level` ends every open frame deeper than it. A C function open at the same level
    // has returned unreported (LuaJIT), and so has every frame at that level below it. True when
    // the call is a tail call replacing the script function open there (LuaJIT keeps the level;
    // Lua 5.1 reports it one level deeper): it is timed inside the one it replaces.
    template <typename EndTop>
    bool EndAtCall(int level, EndTop end_top)
    {
        EndDeeperThan(level, end_top);
        if (frames.empty() || frames.back().level != level)
            return false;
        if (!frames.back().c_function)
            return kTailCallsKeepTheirLevel;
        while (!frames.empty() && frames.back().level == level)
            end_top();
        return false;
    }

    // A function returning at call level `level` ends every open frame deeper than it, then its
    // own, then each frame its own replaced by a tail call.
    template <typename EndTop>
    void EndAtReturn(int level, EndTop end_top)
    {
        EndDeeperThan(level, end_top);
        bool replaced = true;
        while (replaced && !frames.empty() && frames.back().level == level) {
            replaced = frames.back().replaces;
            end_top();
        }
    }

    // Ends every frame deeper than `level`: script code running there (a count event) shows that
    // they have returned.
    template <typename EndTop>
    void EndDeeperThan(int level, EndTop end_top)
    {
        while (!frames.empty() && frames.back().level > level)
            end_top();
    }

    // Whether the innermost frame is a C function whose return the engine does not report.
    bool AwaitsCReturn() const
    {
        return !kHooksSeeCReturns && !frames.empty() && frames.back().c_function;
    }
};

// Sets `hook` on `L` for calls and returns, or takes the hook off when it is null; the engine's
// compiler is off while a hook is set (see script_engine.h).
inline void SetCallHook(lua_State* L, lua_Hook hook)
{
    if (hook) {
        SetCompilerOn(L, false);
        lua_sethook(L, hook, LUA_MASKCALL | LUA_MASKRET, 0);
    } else {
        lua_sethook(L, nullptr, 0, 0);
        SetCompilerOn(L, true);
    }
}

// While a C function is the innermost frame and the engine will not report its return, `hook`
// also runs before each script instruction, the first of which comes right after the return.
inline void WatchForCReturn(lua_State* L, lua_Hook hook, bool watch)
{
    if (kHooksSeeCReturns || ((lua_gethookmask(L) & LUA_MASKCOUNT) != 0) == watch)
        return;
    lua_sethook(L, hook, LUA_MASKCALL | LUA_MASKRET | (watch ? LUA_MASKCOUNT : 0), watch ? 1 : 0);
}

// The call level of the function running in `L` (the one a count event stops in).
inline int RunningLevel(lua_State* L)
{
    lua_Debug ar;
    return lua_getstack(L, 0, &ar) ? ar.i_ci : 0;
}

// The debug hook is one per state: another profiler's (or the script's own) is not taken over.
// True, after printing `refusal` as a line, when a hook other than `own` is set on `L`.
inline bool OtherHookRefused(lua_State* L, lua_Hook own, const char* refusal)
{
    lua_Hook hook = lua_gethook(L);
    if (!hook || hook == own)
        return false;
    printf("%s\n", refusal);
    return true;
}

// The chunk a function was defined in: file names as they are, a chunk loaded from a string by
// its short form ([string "..."]), since its source is the whole code.
inline const char* ChunkName(const lua_Debug* ar)
{
    return ar->source[0] == '@' || ar->source[0] == '=' ? ar->source : ar->short_src;
}
