// Cost of the profiling overlay's text: MakeText and DrawTextMesh for the call tree of 40 nodes
// in the default font; and of demohost-live's problems panel for an error repeating every frame
// with a traceback of three levels. Needs a display; run from the repository root.

#include "app/window.h"
#include "live/error_panel.h"
#include "problems.h"
#include "profile/profiler.h"
#include "profile/profiler_internal.h"
#include "text/text.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <memory>
#include <vector>

static const BitmapFont& DefaultFont()
{
    static std::unique_ptr<BitmapFont> font;
    if (!font) {
        if (!WindowHandle()) {
            glfwInit();
            OpenWindow(640, 480, "bench");
        }
        FontReader reader;
        font = reader.ReadFont("res/font/mono-20.fnt", "res/font/");
    }
    return *font;
}

// A call tree of 40 nodes: the root and 39 zones, three levels deep.
static void BuildTree()
{
    static std::vector<std::unique_ptr<ZoneSite>> sites;
    clear();
    for (int i = 0; i < 13; i++) {
        sites.push_back(std::make_unique<ZoneSite>("SomeEngineZone"));
        begin_zone(sites.back()->cache, sites.back()->zone);
        for (int j = 0; j < 2; j++) {
            sites.push_back(std::make_unique<ZoneSite>("NestedZone"));
            begin_zone(sites.back()->cache, sites.back()->zone);
            end_zone();
        }
        end_zone();
    }
    update();
}

static void OverlayText40(benchmark::State& state)
{
    const BitmapFont& font = DefaultFont();
    BuildTree();
    std::string tree = tree_text();
    TextMesh mesh;
    size_t heap_before = 0;
    for (auto _ : state) {
        MakeText(font, tree, -1, mesh);
        DrawTextMesh(mesh, 25, 25, 1, 1, 1, 1);
        if (heap_before == 0)
            heap_before = mallinfo2().uordblks;
    }
    glFinish();
    state.counters["nodes"] = profiler_core().node_count;
    state.counters["heap_bytes_added"] = static_cast<double>(mallinfo2().uordblks - heap_before);
}
BENCHMARK(OverlayText40)->Unit(benchmark::kMicrosecond);

static void OverlayMakeTextOnly40(benchmark::State& state)
{
    const BitmapFont& font = DefaultFont();
    BuildTree();
    std::string tree = tree_text();
    TextMesh mesh;
    MakeText(font, tree, -1, mesh);
    size_t heap_before = mallinfo2().uordblks;
    for (auto _ : state)
        MakeText(font, tree, -1, mesh);
    state.counters["heap_bytes_added"] = static_cast<double>(mallinfo2().uordblks - heap_before);
}
BENCHMARK(OverlayMakeTextOnly40)->Unit(benchmark::kMicrosecond);

// A frame of an error in update: the error reported and counted, the problems ticked, the panel
// drawn at 640 x 480.
static void ErrorPanelFrame(benchmark::State& state)
{
    const BitmapFont& font = DefaultFont();
    SetErrorEcho(ErrorEcho::kOnceThenCount);
    ErrorPanel panel;
    const std::string error = "res/main.lua:12: attempt to index local 'x' (a nil value)";
    const std::string traceback = "  res/main.lua:12\n  res/scenes/intro.lua:40\n  res/main.lua:30\n";
    size_t heap_before = 0;
    for (auto _ : state) {
        ReportScriptProblem(error, traceback);
        TickProblems();
        panel.Draw(font, 640, 480, 43);
        if (heap_before == 0)
            heap_before = mallinfo2().uordblks;
    }
    glFinish();
    state.counters["heap_bytes_added"] = static_cast<double>(mallinfo2().uordblks - heap_before);
}
BENCHMARK(ErrorPanelFrame)->Unit(benchmark::kMicrosecond);
