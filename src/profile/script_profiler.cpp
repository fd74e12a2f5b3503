// The script function profiler: a call/return hook keeps a stack of running script functions and
// writes one record per return. State: the run's ProfilerState in the Lua registry, and the
// process-wide output file and calibration below.

#include "profile/script_profiler.h"

#include "profile/lua_module.h"

#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

struct ProfilerFrame {
    long long local_mark;  // start of the current stretch of own time, in ms
    long long total_mark;  // start of the current stretch of total time, in ms
    std::string file_defined;
    std::string function_name;
    int line_defined;
    int current_line;
    float local_time;  // seconds
    float total_time;  // seconds
    ProfilerFrame* next;
};

struct ProfilerState {
    int stack_level = 0;
    ProfilerFrame* top = nullptr;
};

// Registry keys: the running state and the os.exit that the profiler replaced.
static char state_key;
static char exit_key;

static FILE* output_file = nullptr;
static float calibration = 0;

// Elapsed milliseconds on the monotonic clock.
static long long clock_ms()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

static float seconds_since(long long now, long long mark)
{
    return static_cast<float>((now - mark) / 1000.0);
}

static ProfilerState* GetState(lua_State* L)
{
    lua_pushlightuserdata(L, &state_key);
    lua_rawget(L, LUA_REGISTRYINDEX);
    auto* state = static_cast<ProfilerState*>(lua_touserdata(L, -1));
    lua_pop(L, 1);
    return state;
}

static void SetState(lua_State* L, ProfilerState* state)
{
    lua_pushlightuserdata(L, &state_key);
    if (state)
        lua_pushlightuserdata(L, state);
    else
        lua_pushnil(L);
    lua_rawset(L, LUA_REGISTRYINDEX);
}

static void PushFrame(ProfilerState* state, const char* source, const char* name,
                      int line_defined, int current_line)
{
    std::string caller = "top level";
    if (ProfilerFrame* top = state->top) {
        top->local_time += seconds_since(clock_ms(), top->local_mark);
        caller = top->function_name;
    }
    auto* frame = new ProfilerFrame{clock_ms(), clock_ms(), source ? source : "", "",
                                    line_defined, current_line, 0, 0, state->top};
    if (name)
        frame->function_name = name;
    else if (frame->file_defined == "=[C]")
        frame->function_name = "called from " + caller;
    else
        frame->function_name = frame->file_defined + ":" + std::to_string(line_defined);
    state->top = frame;
}

// Adds the time since each frame's total mark to its total time.
static void AddTotalTimes(ProfilerState* state, long long now)
{
    for (ProfilerFrame* frame = state->top; frame; frame = frame->next)
        frame->total_time += seconds_since(now, frame->total_mark);
}

// Record fields are tab-separated lines: a name carrying a "|" or a line break (the source of a
// chunk loaded from a string) is written with blanks in their place.
static std::string Clean(std::string text)
{
    for (char& c : text)
        if (c == '|' || c == '\n')
            c = ' ';
    return text;
}

static void WriteRecord(const ProfilerState* state, const ProfilerFrame& frame)
{
    if (!output_file)
        return;
    fprintf(output_file, "%d\t%s\t%s\t%d\t%d\t%f\t%f\n", state->stack_level,
            Clean(frame.file_defined).c_str(), Clean(frame.function_name).c_str(),
            frame.line_defined, frame.current_line, frame.local_time, frame.total_time);
    fflush(output_file);
}

// Removes the top frame and writes its record; false when no frame is left.
static bool Leave(ProfilerState* state)
{
    if (state->stack_level == 0 || !state->top)
        return false;
    state->stack_level--;
    ProfilerFrame* frame = state->top;
    state->top = frame->next;
    long long now = clock_ms();
    frame->local_time += seconds_since(now, frame->local_mark);
    frame->total_time += seconds_since(now, frame->total_mark);
    AddTotalTimes(state, clock_ms());
    frame->local_time += calibration;
    frame->total_time += calibration;
    WriteRecord(state, *frame);
    if (state->top) {
        now = clock_ms();
        state->top->local_mark = now;
        for (ProfilerFrame* f = state->top; f; f = f->next)
            f->total_mark = now;
    }
    delete frame;
    return true;
}

static void LeaveAll(ProfilerState* state)
{
    while (Leave(state)) {
    }
}

static void Hook(lua_State* L, lua_Debug* ar)
{
    ProfilerState* state = GetState(L);
    if (!state)
        return;
    int current_line = -1;
    lua_Debug caller;
    if (lua_getstack(L, 1, &caller)) {
        lua_getinfo(L, "l", &caller);
        current_line = caller.currentline;
    }
    lua_getinfo(L, "nS", ar);
    if (ar->event == LUA_HOOKCALL) {
        state->stack_level++;
        PushFrame(state, ar->source, ar->name, ar->linedefined, current_line);
    } else {
        Leave(state);
    }
}

// Writes every open frame, closes the file and forgets the state; false when none was running.
static bool Finish(lua_State* L)
{
    ProfilerState* state = GetState(L);
    if (!state)
        return false;
    LeaveAll(state);
    if (output_file) {
        fclose(output_file);
        output_file = nullptr;
    }
    SetState(L, nullptr);
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
    long long before = clock_ms();
    if (luaL_loadstring(L, kCalibration) == 0)
        lua_pcall(L, 0, LUA_MULTRET, 0);
    long long after = clock_ms();
    lua_settop(L, top);
    float seconds = static_cast<float>((after - before) / 1000.0);
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
// character, other conversions included, is taken as it stands. At most 255 characters.
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
    return name.substr(0, 255);
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

// The os.exit installed by start: records every open frame, then exits through the os.exit it
// replaced, with that library's default status.
static int ExitReplacement(lua_State* L)
{
    if (ProfilerState* state = GetState(L))
        LeaveAll(state);
    lua_pushlightuserdata(L, &exit_key);
    lua_rawget(L, LUA_REGISTRYINDEX);
    if (lua_isfunction(L, -1))
        lua_call(L, 0, 0);
    exit(EXIT_SUCCESS);
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

static int profiler_start(lua_State* L)
{
    const char* pattern = lua_gettop(L) == 1 ? luaL_checkstring(L, 1) : nullptr;
    Finish(L);
    Calibrate(L);
    ProfilerState* state = OpenOutput(pattern);
    if (!state) {
        lua_sethook(L, nullptr, 0, 0);
        return luaL_error(L, "ScriptProfiler error: output file could not be opened!");
    }
    lua_sethook(L, Hook, LUA_MASKCALL | LUA_MASKRET, 0);
    SetState(L, state);
    ReplaceExit(L);
    state->stack_level++;
    PushFrame(state, "(C)", "profiler_init", -1, -1);
    lua_pushboolean(L, 1);
    return 1;
}

static int profiler_stop(lua_State* L)
{
    lua_sethook(L, nullptr, 0, 0);
    lua_pushboolean(L, Finish(L));
    return 1;
}

// Adds the time so far to the top frame's own time and every frame's total; the marks stay,
// so `resume` does exactly the same.
static int profiler_pause(lua_State* L)
{
    ProfilerState* state = GetState(L);
    if (state && state->top) {
        long long now = clock_ms();
        state->top->local_time += seconds_since(now, state->top->local_mark);
        AddTotalTimes(state, clock_ms());
    }
    return 0;
}

static const luaL_Reg profiler_functions[] = {
    {"pause", profiler_pause},
    {"resume", profiler_pause},
    {"start", profiler_start},
    {"stop", profiler_stop},
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
