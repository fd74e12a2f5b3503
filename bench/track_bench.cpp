// Cost of host.track from a Lua loop: 16 tracks of 64 keys each, read round-robin at rows that
// move with each read, 1,000 reads an iteration (a frame's worth).

#include "app/api.h"
#include "tracks/tracks.h"

#include <benchmark/benchmark.h>
#include <malloc.h>

static lua_State* OpenTrackScript()
{
    static lua_State* L = nullptr;
    if (L)
        return L;
    SetTracksFromEditor(true);
    for (int t = 0; t < 16; t++) {
        int track = FindTrack("track" + std::to_string(t));
        for (int k = 0; k < 64; k++)
            SetTrackKey(track, {k * 8, static_cast<float>(k % 5), static_cast<KeyType>(k % 4)});
    }
    L = luaL_newstate();
    luaL_openlibs(L);
    RegisterScriptApi(L);
    luaL_dostring(L, R"(
        local host = require "demohost"
        local names = {}
        for t = 0, 15 do names[t + 1] = "track" .. t end
        function reads(n)
            local sum = 0
            for i = 1, n do sum = sum + host.track(names[i % 16 + 1]) end
            return sum
        end
    )");
    return L;
}

static void TrackFromLua(benchmark::State& state)
{
    lua_State* L = OpenTrackScript();
    const int kReads = 1000;
    double time = 0;
    size_t heap_before = mallinfo2().uordblks;
    for (auto _ : state) {
        // A new row each frame, across the keys' 512 rows.
        time = time > 25 ? 0 : time + 0.0167;
        SetTrackTime(time);
        lua_getglobal(L, "reads");
        lua_pushinteger(L, kReads);
        lua_call(L, 1, 1);
        benchmark::DoNotOptimize(lua_tonumber(L, -1));
        lua_pop(L, 1);
    }
    state.SetItemsProcessed(state.iterations() * kReads);
    state.counters["per_item"] = benchmark::Counter(static_cast<double>(state.iterations() * kReads),
                                                    benchmark::Counter::kIsRate |
                                                        benchmark::Counter::kInvert);
    state.counters["heap_bytes_added"] = static_cast<double>(mallinfo2().uordblks - heap_before);
}
BENCHMARK(TrackFromLua)->Unit(benchmark::kMicrosecond);
