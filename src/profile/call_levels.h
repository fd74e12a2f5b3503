// Following a script's real call stack from a call/return hook, shared by the zone hook and the
// script profiler: frames are kept by call level (lua_Debug::i_ci), so that returns the hook
// never sees (frames an error unwound, tail calls) still end the frames they belong to.
#pragma once

// A function returning at call level `level` ends every open frame deeper than it, then its own.
// `top_level()` gives the innermost open frame's level (-1 when none is open); `end_top()` ends it.
template <typename TopLevel, typename EndTop>
inline void EndFramesAtReturn(int level, TopLevel top_level, EndTop end_top)
{
    while (top_level() > level)
        end_top();
    if (top_level() == level)
        end_top();
}
