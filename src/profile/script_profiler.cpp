// The "profiler" script module: start, stop, pause and resume of the script profiler's run, and
// the os.exit that writes the open calls first. State: the registry key of the os.exit that start
// replaced.

#include "profile/script_profiler.h"

#include "profile/call_levels.h"
#include "profile/lua_module.h"
#include "profile/script_profiler_internal.h"

#include <cstdlib>

// The os.exit that the profiler replaced is kept in the registry under this key (checked to be a
// function before it is called).
static char exit_key;

// The os.exit installed by start: records every open frame, then calls the os.exit it replaced
// with the script's arguments, so the status it chose is kept; when that function is the script's
// own and returns, its results are returned. Without a saved function the process exits here.
static int ExitReplacement(lua_State* L)
{
    WriteOpenFrames();
    lua_pushlightuserdata(L, &exit_key);
    lua_rawget(L, LUA_REGISTRYINDEX);
    if (lua_isfunction(L, -1) && lua_tocfunction(L, -1) != ExitReplacement) {
        int arguments = lua_gettop(L) - 1;
        lua_insert(L, 1);
        lua_call(L, arguments, LUA_MULTRET);
        return lua_gettop(L);
    }
    exit(static_cast<int>(luaL_optinteger(L, 1, EXIT_SUCCESS)));
}

static void ReplaceExit(lua_State* L)
{
    lua_getglobal(L, "os");
    if (!lua_istable(L, -1)) {
        lua_pop(L, 1);
        return;
    }
    lua_getfield(L, -1, "exit");
    // A second start must not save the replacement as the os.exit to call: it would call itself.
    if (lua_tocfunction(L, -1) != ExitReplacement) {
        lua_pushlightuserdata(L, &exit_key);
        lua_insert(L, -2);
        lua_rawset(L, LUA_REGISTRYINDEX);
    } else {
        lua_pop(L, 1);
    }
    lua_pushcfunction(L, ExitReplacement);
    lua_setfield(L, -2, "exit");
    lua_pop(L, 1);
}

// Puts back the os.exit that start replaced, if the replacement is still in place.
static void RestoreExit(lua_State* L)
{
    lua_getglobal(L, "os");
    if (!lua_istable(L, -1)) {
        lua_pop(L, 1);
        return;
    }
    lua_getfield(L, -1, "exit");
    bool replaced = lua_tocfunction(L, -1) == ExitReplacement;
    lua_pop(L, 1);
    lua_pushlightuserdata(L, &exit_key);
    lua_rawget(L, LUA_REGISTRYINDEX);
    if (replaced && lua_isfunction(L, -1))
        lua_setfield(L, -2, "exit");
    else
        lua_pop(L, 1);
    lua_pop(L, 1);
}


// Started over another debug hook, it says so in one line and gives false, so the calling
// script goes on.
static int w_profiler_start(lua_State* L)
{
    const char* pattern = lua_gettop(L) == 1 ? luaL_checkstring(L, 1) : nullptr;
    if (OtherHookRefused(L, ScriptProfilerHook,
                         "ScriptProfiler error: another debug hook (the zones profiler's?) is "
                         "running; not started")) {
        lua_pushboolean(L, 0);
        return 1;
    }
    FinishRun();
    // Calibrated as it will run: interpreted.
    SetCompilerOn(L, false);
    FILE* log = OpenProfilerLog(pattern);
    if (!log) {
        SetCallHook(L, nullptr);
        return luaL_error(L, "ScriptProfiler error: output file could not be opened!");
    }
    StartRun(L, log);
    ReplaceExit(L);
    lua_pushboolean(L, 1);
    return 1;
}

void StopScriptProfiler(lua_State* L)
{
    if (RunsOn(L))
        FinishRun();
}

static int w_profiler_stop(lua_State* L)
{
    if (lua_gethook(L) == ScriptProfilerHook)
        SetCallHook(L, nullptr);
    RestoreExit(L);
    lua_pushboolean(L, FinishRun());
    return 1;
}

// Time stops counting while paused: the profiler's clock stands still until resume.
static int w_profiler_pause(lua_State*)
{
    PauseRun();
    return 0;
}

static int w_profiler_resume(lua_State*)
{
    ResumeRun();
    return 0;
}

static const luaL_Reg profiler_functions[] = {
    {"pause", w_profiler_pause},
    {"resume", w_profiler_resume},
    {"start", w_profiler_start},
    {"stop", w_profiler_stop},
    {nullptr, nullptr},
};

int luaopen_profiler(lua_State* L)
{
    luaL_register(L, "profiler", profiler_functions);
    SetModuleInfo(L, "ScriptProfiler logs the time of every script function call to help find "
                      "bottlenecks in scripts.",
                  "ScriptProfiler");
    return 1;
}
