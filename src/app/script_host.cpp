// The program's one Lua state: opening it, running the main script and calling its callbacks.

#include "app/script_host.h"

#include "app/api.h"
#include "profile/script_profiler.h"
#include "platform/platform.h"
#include "problems.h"
#include "profile/zone_lua.h"

#include <cstdio>
#include <utility>

// The last error reported, and the traceback of the last error raised in a protected call.
static struct {
    std::string last;
    std::string traceback;
} script_errors;

// The most levels a traceback names: a stack overflow's would be thousands.
static const int kTracebackLevels = 12;

// A protected call's message handler: the file and line of each script level the error passed,
// while the stack is still there; the error value goes on unchanged.
static int CollectTraceback(lua_State* L)
{
    try {
        script_errors.traceback.clear();
        lua_Debug level;
        int named = 0;
        for (int i = 1; lua_getstack(L, i, &level); i++) {
            lua_getinfo(L, "Sl", &level);
            if (level.currentline <= 0)
                continue;
            if (named++ == kTracebackLevels) {
                script_errors.traceback += "  ...\n";
                break;
            }
            char line[LUA_IDSIZE + 32];
            snprintf(line, sizeof line, "  %s:%d\n", level.short_src, level.currentline);
            script_errors.traceback += line;
        }
    } catch (...) {
        script_errors.traceback.clear();
    }
    return 1;
}

void ReportScriptError(lua_State* L)
{
    const char* message = lua_tostring(L, -1);
    if (message)
        script_errors.last = message;
    else
        script_errors.last = std::string("(error object is a ") + luaL_typename(L, -1) + " value)";
    ReportScriptProblem(script_errors.last, script_errors.traceback);
    script_errors.traceback.clear();
    lua_pop(L, 1);
}

const std::string& LastScriptError()
{
    return script_errors.last;
}

bool CallProtected(lua_State* L, int nargs, int nresults)
{
    // An error unwinds script frames without their returns: zones the hook opened for them close
    // here, so the program's own zones stay where they belong.
    uint32_t depth = current_zone_depth();
    // The traceback's handler only where it is shown: the profilers' hooks would see its call.
    int handler = 0;
    if (ErrorsWantTraceback()) {
        handler = lua_gettop(L) - nargs;
        lua_pushcfunction(L, CollectTraceback);
        lua_insert(L, handler);
    }
    bool ran = lua_pcall(L, nargs, nresults, handler) == 0;
    if (!ran)
        ReportScriptError(L);
    if (handler != 0)
        lua_remove(L, handler);
    UnwindScriptZones(depth);
    return ran;
}

// package.loadlib("", name) opens a function the program itself carries (the zones module's):
// found where the platform keeps the program's exported functions, else left to the library's
// own loadlib (upvalue 1), whose results and messages are kept.
static int LoadProgramLib(lua_State* L)
{
    size_t length = 0;
    luaL_checklstring(L, 1, &length);
    const char* name = luaL_checkstring(L, 2);
    if (length == 0)
        if (void* function = ProgramSymbol(name)) {
            lua_pushcfunction(L, reinterpret_cast<lua_CFunction>(function));
            return 1;
        }
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_call(L, lua_gettop(L) - 1, LUA_MULTRET);
    return lua_gettop(L);
}

void ScriptHost::Open()
{
    state_ = luaL_newstate();
    luaL_openlibs(state_);

    // Modules are found only in res/ below the working directory.
    lua_getglobal(state_, "package");
    lua_pushstring(state_, "./res/?.lua");
    lua_setfield(state_, -2, "path");
    lua_getfield(state_, -1, "loadlib");
    lua_pushcclosure(state_, LoadProgramLib, 1);
    lua_setfield(state_, -2, "loadlib");
    lua_pop(state_, 1);

    luaopen_profiler(state_);
    lua_pop(state_, 1);
    RegisterScriptApi(state_);

    // The chunk stays on the stack for Start; a file that cannot be read or parsed is reported
    // with the reader's own message (file, line, what was expected).
    main_loaded_ = luaL_loadfile(state_, "res/main.lua") == 0;
    if (!main_loaded_) {
        printf("Could not open main script\n");
        ReportScriptError(state_);
    }
}

bool ScriptHost::Start(const std::vector<std::string>& args)
{
    bool started = main_loaded_ && CallProtected(state_, 0, LUA_MULTRET);
    lua_settop(state_, 0);

    lua_getglobal(state_, "initialize");
    lua_createtable(state_, static_cast<int>(args.size()), 0);
    for (size_t i = 0; i < args.size(); i++) {
        lua_pushlstring(state_, args[i].data(), args[i].size());
        lua_rawseti(state_, -2, static_cast<int>(i + 1));
    }
    return CallProtected(state_, 1, 0) && started;
}

void ScriptHost::Update(double time, double dt)
{
    lua_getglobal(state_, "update");
    lua_pushnumber(state_, time);
    lua_pushnumber(state_, dt);
    CallProtected(state_, 2, 0);
}

void ScriptHost::Swap(ScriptHost& other)
{
    std::swap(state_, other.state_);
    std::swap(main_loaded_, other.main_loaded_);
}

void ScriptHost::Close()
{
    if (state_) {
        // The profilers let go of the state first: a new one may come at its address.
        StopZoneHook(state_);
        StopScriptProfiler(state_);
        lua_close(state_);
        state_ = nullptr;
    }
}
