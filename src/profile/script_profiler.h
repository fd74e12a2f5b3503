// The script function profiler: the "profiler" module, which logs one tab-separated record per
// script function call with its own and total time.
#pragma once

#include <lua.hpp>

// The first line of a log, written by each start (a log may hold several runs), without its
// line break.
inline constexpr char kProfilerLogHeader[] =
    "stack_level\tfile_defined\tfunction_name\tline_defined\tcurrent_line\tlocal_time\ttotal_time";

// Opens the module as the global table `profiler`; leaves it on the stack.
int luaopen_profiler(lua_State* L);
// Ends a run of the profiler on `L` before the state is closed: the open calls are written and
// the file closed.
void StopScriptProfiler(lua_State* L);
// A reload: the running state's run is set aside, so the new state starts with none; then either
// it ends (its open calls written, its file closed) with the old state, or the new state's run
// ends and it comes back.
void SetScriptProfilerAside();
void ReleaseScriptProfilerAside();
void PutScriptProfilerBack();
