// Following a script's real call stack from a call/return hook, shared by the zone hook and the
// script profiler: frames are kept by call level (lua_Debug::i_ci), so that returns the hook
// never sees (frames an error unwound, tail calls) still end the frames they belong to. Also the
// rules both hooks follow: one debug hook at a time, and how a chunk is named.
#pragma once

#include <lua5.1/lua.hpp>

#include <cstdio>
#include <vector>

// The open frames of a hook, innermost last; `Frame` has an int `level`.
template <typename Frame>
struct CallLevelStack {
    std::vector<Frame> frames;

    // A function returning at call level `level` ends every open frame deeper than it, then its
    // own; `end_top()` ends the innermost frame (and pops it).
    template <typename EndTop>
    void EndAtReturn(int level, EndTop end_top)
    {
        while (!frames.empty() && frames.back().level > level)
            end_top();
        if (!frames.empty() && frames.back().level == level)
            end_top();
    }
};

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
