// Cost of a small script function's call and return: plain, timed through the zones hook, and
// logged by the script profiler (one flushed record per return).

#include "profile/script_profiler.h"
#include "profile/zone_lua.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

enum class Profiling { None, Zones, ScriptProfiler };

static void CallLoop(benchmark::State& state, Profiling profiling)
{
    lua_State* L = luaL_newstate();
    luaL_openlibs(L);
    luaopen_profiler(L);
    lua_pop(L, 1);
    luaL_dostring(L, "function small(x) return x + 1 end "
                     "function loop(n) local s = 0 for i = 1, n do s = small(s) end return s end");
    std::string log = "/tmp/demohost-bench-profile.log";
    if (profiling == Profiling::Zones)
        ZoneLua_start(L);
    if (profiling == Profiling::ScriptProfiler)
        luaL_dostring(L, ("profiler.start('" + log + "')").c_str());
    const int calls = 1000;
    for (auto _ : state) {
        lua_getglobal(L, "loop");
        lua_pushinteger(L, calls);
        lua_call(L, 1, 1);
        lua_pop(L, 1);
    }
    ZoneLua_stop(L);
    luaL_dostring(L, "profiler.stop()");
    lua_close(L);
    remove(log.c_str());
    state.counters["per_call"] = benchmark::Counter(
        static_cast<double>(state.iterations() * calls),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

static void ScriptCallPlain(benchmark::State& state) { CallLoop(state, Profiling::None); }
static void ScriptCallZoneHooked(benchmark::State& state) { CallLoop(state, Profiling::Zones); }
static void ScriptCallProfiled(benchmark::State& state)
{
    CallLoop(state, Profiling::ScriptProfiler);
}
BENCHMARK(ScriptCallPlain);
BENCHMARK(ScriptCallZoneHooked);
BENCHMARK(ScriptCallProfiled);
