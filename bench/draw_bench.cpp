// Cost of a box or line drawn from a Lua loop (the script call and the pipe's fill), with and
// without handing the batches to Mesa, and of a text of 39 characters drawn from a loop (each is
// drawn at once). Each box or line iteration fills exactly one full batch, so the unflushed runs
// never reach Mesa. Needs a display: run under xvfb-run.

#include "app/api.h"
#include "app/window.h"
#include "render/pipes.h"
#include "render/line_pipe_internal.h"
#include "render/quad_pipe_internal.h"

#include <GLFW/glfw3.h>
#include <benchmark/benchmark.h>
#include <malloc.h>

static lua_State* OpenScript()
{
    static lua_State* L = nullptr;
    if (!L) {
        glfwInit();
        OpenWindow(640, 480, "bench");
        L = luaL_newstate();
        luaL_openlibs(L);
        RegisterScriptApi(L);
        lua_pushstring(L, DEMOHOST_SOURCE_DIR "/res/font/");
        lua_setglobal(L, "FONT_DIR");
        luaL_dostring(L, R"(
            function boxes(n) for i = 1, n do DrawBox(i % 640, 240, 2, 2, 0, 0) end end
            function lines(n) for i = 1, n do DrawLine(i % 640, 0, 0, 480, 1, 1,1,1,1, 1,1,1,1) end end
            local font = LoadFont(FONT_DIR .. "mono-20.fnt", FONT_DIR)
            local text = "The quick brown fox jumps over the lazy"
            function texts(n)
                for i = 1, n do DrawText(font, text, i % 200, i % 460, -1, false, 1, 1, 1, 1) end
            end
        )");
    }
    return L;
}

// Runs `function`(count) per iteration; `flush` submits the batch to Mesa each time, otherwise
// it is dropped.
static void RunLoop(benchmark::State& state, const char* function, int count, bool flush)
{
    lua_State* L = OpenScript();
    size_t heap_before = mallinfo2().uordblks;
    for (auto _ : state) {
        lua_getglobal(L, function);
        lua_pushinteger(L, count);
        lua_call(L, 1, 0);
        if (flush) {
            FlushPipes();
        } else {
            PendingBoxes().count = 0;
            PendingLines().count = 0;
        }
    }
    state.SetItemsProcessed(state.iterations() * count);
    state.counters["per_item"] = benchmark::Counter(static_cast<double>(state.iterations() * count),
                                                    benchmark::Counter::kIsRate |
                                                        benchmark::Counter::kInvert);
    state.counters["heap_bytes_added"] = static_cast<double>(mallinfo2().uordblks - heap_before);
}

static void DrawBoxFromLua(benchmark::State& state)
{
    RunLoop(state, "boxes", QuadPipe::kCapacity, false);
}
static void DrawBoxFromLuaFlushed(benchmark::State& state)
{
    RunLoop(state, "boxes", QuadPipe::kCapacity, true);
}
static void DrawLineFromLua(benchmark::State& state)
{
    RunLoop(state, "lines", LinePipe::kCapacity, false);
}
static void DrawLineFromLuaFlushed(benchmark::State& state)
{
    RunLoop(state, "lines", LinePipe::kCapacity, true);
}
static void DrawTextFromLua(benchmark::State& state)
{
    RunLoop(state, "texts", 1000, true);
}
BENCHMARK(DrawBoxFromLua);
BENCHMARK(DrawBoxFromLuaFlushed);
BENCHMARK(DrawLineFromLua);
BENCHMARK(DrawLineFromLuaFlushed);
BENCHMARK(DrawTextFromLua)->Unit(benchmark::kMicrosecond);
