// The script function profiler: a call/return hook keeps a stack of running script functions and
// writes one record per return. State: the run's ProfilerState, the output file and the
// calibration below, all process-wide and out of the scripts' reach.

#include "profile/script_profiler.h"

#include "profile/call_levels.h"
#include "profile/lua_module.h"

#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

struct ProfilerFrame {
    long long local_mark;  // start of the current stretch of own time, in us of profiler time
    long long total_mark;  // start of the current stretch of total time, in us of profiler time
    std::string file_defined;
    std::string function_name;
    int line_defined;
    int current_line;
    int level;  // the call's level in the script's stack (see CallLevelStack)
    float local_time;  // seconds
    float total_time;  // seconds
    bool c_function;
    bool replaces;  // tail called in place of the frame below it
};

struct ProfilerState {
    lua_State* L = nullptr;  // the thread the run profiles
    CallLevelStack<ProfilerFrame> stack;  // the running functions, innermost last
    long long paused_at = -1;  // monotonic us when paused, -1 while running
    long long paused_total = 0;
};

// The running state lives here, out of the scripts' reach; the os.exit that the profiler replaced
// is kept in the registry under this key (checked to be a function before it is called).
static ProfilerState* running_state = nullptr;
static char exit_key;

static FILE* output_file = nullptr;
static float calibration = 0;

// The run of a state set aside by a reload, with its file.
static struct {
    ProfilerState* state = nullptr;
    FILE* file = nullptr;
} run_aside;

// Elapsed microseconds on the monotonic clock.
static long long clock_us()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

// The profiler's time: the monotonic clock stopped while the profiler is paused.
static long long profiler_now(const ProfilerState* state)
{
    long long now = state->paused_at >= 0 ? state->paused_at : clock_us();
    return now - state->paused_total;
}

static float seconds_since(long long now, long long mark)
{
    return static_cast<float>((now - mark) / 1e6);
}

static void PushFrame(ProfilerState* state, const char* source, const char* name,
                      int line_defined, int current_line, int level, bool replaces = false)
{
    std::vector<ProfilerFrame>& frames = state->stack.frames;
    std::string caller = "top level";
    long long now = profiler_now(state);
    if (!frames.empty()) {
        ProfilerFrame& top = frames.back();
        top.local_time += seconds_since(now, top.local_mark);
        caller = top.function_name;
    }
    ProfilerFrame frame{now,  now, source ? source : "", "", line_defined, current_line, level, 0, 0,
                        line_defined == -1, replaces};
    if (name)
        frame.function_name = name;
    else if (frame.file_defined == "=[C]")
        frame.function_name = "called from " + caller;
    else
        frame.function_name = frame.file_defined + ":" + std::to_string(line_defined);
    frames.push_back(std::move(frame));
}

// Adds the time since each frame's total mark to its total time.
static void AddTotalTimes(ProfilerState* state, long long now)
{
    for (ProfilerFrame& frame : state->stack.frames)
        frame.total_time += seconds_since(now, frame.total_mark);
}

// Record fields are tab-separated lines: a name carrying a "|" or a control character (a tab or
// line break in a chunk name) is written with blanks in their place.
static std::string Clean(std::string text)
{
    for (char& c : text)
        if (c == '|' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = ' ';
    return text;
}

// `stack_level` is the number of frames still open below it.
static void WriteRecord(size_t stack_level, const ProfilerFrame& frame)
{
    if (!output_file)
        return;
    fprintf(output_file, "%zu\t%s\t%s\t%d\t%d\t%f\t%f\n", stack_level,
            Clean(frame.file_defined).c_str(), Clean(frame.function_name).c_str(),
            frame.line_defined, frame.current_line, frame.local_time, frame.total_time);
    fflush(output_file);
}

// Removes the top frame and writes its record; false when no frame is left.
static bool Leave(ProfilerState* state)
{
    std::vector<ProfilerFrame>& frames = state->stack.frames;
    if (frames.empty())
        return false;
    ProfilerFrame frame = std::move(frames.back());
    frames.pop_back();
    long long now = profiler_now(state);
    frame.local_time += seconds_since(now, frame.local_mark);
    frame.total_time += seconds_since(now, frame.total_mark);
    AddTotalTimes(state, now);
    frame.local_time += calibration;
    frame.total_time += calibration;
    WriteRecord(frames.size(), frame);
    if (!frames.empty()) {
        now = profiler_now(state);
        frames.back().local_mark = now;
        for (ProfilerFrame& f : frames)
            f.total_mark = now;
    }
    return true;
}

static void LeaveAll(ProfilerState* state)
{
    while (Leave(state)) {
    }
}

// A call: ends what it shows has ended, then opens the function's frame. A tail call under
// LuaJIT carries the name of the call it replaced, so its function is named by where it is.
static void Enter(ProfilerState* state, lua_State* L, lua_Debug* ar)
{
    int level = ar->i_ci;
    bool tail_call = state->stack.EndAtCall(level, [&] { Leave(state); });
    int current_line = -1;
    lua_Debug caller;
    if (lua_getstack(L, 1, &caller)) {
        lua_getinfo(L, "l", &caller);
        current_line = caller.currentline;
    }
    lua_getinfo(L, "nS", ar);
    PushFrame(state, ChunkName(ar), tail_call ? nullptr : ar->name, ar->linedefined, current_line,
              level, tail_call);
}

// Records every call on the script's call stack (see CallLevelStack). Tail returns have nothing
// left to end.
static void Hook(lua_State* L, lua_Debug* ar)
{
    ProfilerState* state = running_state;
    if (!state || L != state->L || ar->event == LUA_HOOKTAILRET)
        return;
    auto leave = [&] { Leave(state); };
    if (ar->event == LUA_HOOKCOUNT)
        state->stack.EndDeeperThan(RunningLevel(L), leave);
    else if (ar->event != LUA_HOOKCALL)
        state->stack.EndAtReturn(ar->i_ci, leave);
    else
        Enter(state, L, ar);
    WatchForCReturn(L, Hook, state->stack.AwaitsCReturn());
}

// Writes every open frame, closes the file and forgets the state; false when none was running.
static bool Finish()
{
    ProfilerState* state = running_state;
    if (!state)
        return false;
    LeaveAll(state);
    if (output_file) {
        fclose(output_file);
        output_file = nullptr;
    }
    running_state = nullptr;
    delete state;
    return true;
}

// The time of one plain script call, added to both times of every record.
static void Calibrate(lua_State* L)
{
    static const char* kCalibration =
        "function profiler_calibration_function() "
        "local function empty() end "
        "local i = 1 "
        "while i < 100000 do empty() i = i + 1 end "
        "end "
        "profiler_calibration_function() "
        "profiler_calibration_function = nil";
    int top = lua_gettop(L);
    long long before = clock_us();
    if (luaL_loadstring(L, kCalibration) == 0)
        lua_pcall(L, 0, LUA_MULTRET, 0);
    long long after = clock_us();
    lua_settop(L, top);
    float seconds = static_cast<float>((after - before) / 1e6);
    calibration = static_cast<float>(seconds / 100000.0);
}

// A fresh name of the program's own: the last part of a new temporary file's path, without
// one trailing ".".
static std::string TemporaryPart()
{
    char path[] = "/tmp/runXXXXXX";
    int fd = mkstemp(path);
    if (fd >= 0) {
        close(fd);
        unlink(path);
    }
    std::string part = path;
    size_t separator = part.find_last_of("/\\");
    if (separator != std::string::npos)
        part.erase(0, separator + 1);
    if (!part.empty() && part.back() == '.')
        part.pop_back();
    return part;
}

// The pattern with its first "%s" replaced by `part` and "%%" read as "%"; every other
// character, other conversions included, is taken as it stands, however long the name grows.
static std::string FileName(const std::string& pattern, const std::string& part)
{
    std::string name;
    bool replaced = false;
    for (size_t i = 0; i < pattern.size(); i++) {
        if (pattern[i] == '%' && i + 1 < pattern.size()) {
            if (pattern[i + 1] == 's' && !replaced) {
                name += part;
                replaced = true;
                i++;
                continue;
            }
            if (pattern[i + 1] == '%') {
                name += '%';
                i++;
                continue;
            }
        }
        name += pattern[i];
    }
    return name;
}

static ProfilerState* OpenOutput(const char* pattern)
{
    std::string name = FileName(pattern ? pattern : "scriptprof_%s.out", TemporaryPart());
    output_file = fopen(name.c_str(), "a");
    if (!output_file)
        return nullptr;
    fputs("stack_level\tfile_defined\tfunction_name\tline_defined\tcurrent_line\tlocal_time\t"
          "total_time\n",
          output_file);
    fflush(output_file);
    return new ProfilerState;
}

// The os.exit installed by start: records every open frame, then calls the os.exit it replaced
// with the script's arguments, so the status it chose is kept; when that function is the script's
// own and returns, its results are returned. Without a saved function the process exits here.
static int ExitReplacement(lua_State* L)
{
    if (running_state)
        LeaveAll(running_state);
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
    if (OtherHookRefused(L, Hook,
                         "ScriptProfiler error: another debug hook (the zones profiler's?) is "
                         "running; not started")) {
        lua_pushboolean(L, 0);
        return 1;
    }
    Finish();
    // Calibrated as it will run: interpreted.
    SetCompilerOn(L, false);
    Calibrate(L);
    ProfilerState* state = OpenOutput(pattern);
    if (!state) {
        SetCallHook(L, nullptr);
        return luaL_error(L, "ScriptProfiler error: output file could not be opened!");
    }
    SetCallHook(L, Hook);
    state->L = L;
    running_state = state;
    ReplaceExit(L);
    PushFrame(state, "(C)", "profiler_init", -1, -1, RunningLevel(L));
    WatchForCReturn(L, Hook, state->stack.AwaitsCReturn());
    lua_pushboolean(L, 1);
    return 1;
}

void StopScriptProfiler(lua_State* L)
{
    if (running_state && running_state->L == L)
        Finish();
}

static void SwapRunAside()
{
    std::swap(running_state, run_aside.state);
    std::swap(output_file, run_aside.file);
}

void SetScriptProfilerAside()
{
    SwapRunAside();
}

void ReleaseScriptProfilerAside()
{
    SwapRunAside();
    Finish();
    SwapRunAside();
}

void PutScriptProfilerBack()
{
    Finish();
    SwapRunAside();
}

static int w_profiler_stop(lua_State* L)
{
    if (lua_gethook(L) == Hook)
        SetCallHook(L, nullptr);
    RestoreExit(L);
    lua_pushboolean(L, Finish());
    return 1;
}

// Time stops counting while paused: the profiler's clock stands still until resume.
static int w_profiler_pause(lua_State*)
{
    if (running_state && running_state->paused_at < 0)
        running_state->paused_at = clock_us();
    return 0;
}

static int w_profiler_resume(lua_State*)
{
    if (running_state && running_state->paused_at >= 0) {
        running_state->paused_total += clock_us() - running_state->paused_at;
        running_state->paused_at = -1;
    }
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
