// The script profiler's run: the call/return hook that keeps a stack of running script
// functions and writes one record per return, on the profiler's own clock. State: the run (its
// stack, log file and calibration) and the run set aside by a reload, out of the scripts' reach.

#include "profile/script_profiler_internal.h"

#include "profile/call_levels.h"
#include "profile/lua_module.h"
#include "platform/platform.h"
#include "profile/script_profiler.h"
#include "state_aside.h"

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

// A run: the stack of the state it profiles, and its log.
struct ProfilerRun {
    ProfilerState* state = nullptr;
    FILE* file = nullptr;
};

static struct {
    ProfilerRun running;
    ProfilerRun aside;      // the run of a state set aside by a reload
    float calibration = 0;  // seconds of one plain script call, added to both times of a record
} run;

// Elapsed microseconds on the monotonic clock.
static long long clock_us()
{
    return static_cast<long long>(MonotonicNanoseconds() / 1000);
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
    if (!run.running.file)
        return;
    fprintf(run.running.file, "%zu\t%s\t%s\t%d\t%d\t%f\t%f\n", stack_level,
            Clean(frame.file_defined).c_str(), Clean(frame.function_name).c_str(),
            frame.line_defined, frame.current_line, frame.local_time, frame.total_time);
    fflush(run.running.file);
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
    frame.local_time += run.calibration;
    frame.total_time += run.calibration;
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
void ScriptProfilerHook(lua_State* L, lua_Debug* ar)
{
    ProfilerState* state = run.running.state;
    if (!state || L != state->L || ar->event == LUA_HOOKTAILRET)
        return;
    auto leave = [&] { Leave(state); };
    if (ar->event == LUA_HOOKCOUNT)
        state->stack.EndDeeperThan(RunningLevel(L), leave);
    else if (ar->event != LUA_HOOKCALL)
        state->stack.EndAtReturn(ar->i_ci, leave);
    else
        Enter(state, L, ar);
    WatchForCReturn(L, ScriptProfilerHook, state->stack.AwaitsCReturn());
}

// Writes every open frame of `r`, closes its log and forgets it; false when none was running.
static bool Finish(ProfilerRun& r)
{
    ProfilerState* state = r.state;
    if (!state)
        return false;
    LeaveAll(state);
    if (r.file) {
        fclose(r.file);
        r.file = nullptr;
    }
    r.state = nullptr;
    delete state;
    return true;
}

bool FinishRun()
{
    return Finish(run.running);
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
    run.calibration = static_cast<float>(seconds / 100000.0);
}

void StartRun(lua_State* L, FILE* log)
{
    Calibrate(L);
    run.running.file = log;
    run.running.state = new ProfilerState;
    run.running.state->L = L;
    SetCallHook(L, ScriptProfilerHook);
    PushFrame(run.running.state, "(C)", "profiler_init", -1, -1, RunningLevel(L));
    WatchForCReturn(L, ScriptProfilerHook, run.running.state->stack.AwaitsCReturn());
}

bool RunsOn(lua_State* L)
{
    return run.running.state && run.running.state->L == L;
}

void WriteOpenFrames()
{
    if (run.running.state)
        LeaveAll(run.running.state);
}

void PauseRun()
{
    if (run.running.state && run.running.state->paused_at < 0)
        run.running.state->paused_at = clock_us();
}

void ResumeRun()
{
    if (run.running.state && run.running.state->paused_at >= 0) {
        run.running.state->paused_total += clock_us() - run.running.state->paused_at;
        run.running.state->paused_at = -1;
    }
}

void SetScriptProfilerAside()
{
    SetPartAside(run.running, run.aside);
}

void ReleaseScriptProfilerAside()
{
    ReleasePartAside(run.aside, Finish);
}

void PutScriptProfilerBack()
{
    PutPartBack(run.running, run.aside, Finish);
}
