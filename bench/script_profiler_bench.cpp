// Cost of a small script function's call and return with the script profiler running (one
// flushed record per return), beside the same loop unprofiled.

#include "profile/script_profiler.h"

#include <benchmark/benchmark.h>

#include <string>

static void CallLoop(benchmark::State& state, bool profiled)
{
    lua_State* L = luaL_newstate();
    luaL_openlibs(L);
    luaopen_profiler(L);
    lua_pop(L, 1);
    luaL_dostring(L, "function small(x) return x + 1 end "
                     "function loop(n) local s = 0 for i = 1, n do s = small(s) end return s end");
    std::string log = "/tmp/demohost-bench-profile.log";
    remove(log.c_str());
    if (profiled)
        luaL_dostring(L, ("profiler.start('" + log + "')").c_str());
    const int calls = 1000;
    for (auto _ : state) {
        lua_getglobal(L, "loop");
        lua_pushinteger(L, calls);
        lua_call(L, 1, 1);
        lua_pop(L, 1);
    }
    if (profiled)
        luaL_dostring(L, "profiler.stop()");
    lua_close(L);
    remove(log.c_str());
    state.counters["per_call"] = benchmark::Counter(
        static_cast<double>(state.iterations() * calls),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

static void ScriptCallUnprofiled(benchmark::State& state) { CallLoop(state, false); }
static void ScriptCallProfiled(benchmark::State& state) { CallLoop(state, true); }
BENCHMARK(ScriptCallUnprofiled);
BENCHMARK(ScriptCallProfiled);
