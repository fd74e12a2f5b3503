// Costs of the zone profiler: a begin/end pair at a cached site beside the clock reads it is
// made of, and update and tree_text on a tree of 100 nodes.

#include "profile/profiler.h"
#include "profile/profiler_internal.h"

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <time.h>

#include <memory>
#include <vector>

static void ReadClock(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(read_clock());
}
BENCHMARK(ReadClock);

static void ClockGettime(benchmark::State& state)
{
    timespec ts;
    for (auto _ : state) {
        clock_gettime(CLOCK_MONOTONIC, &ts);
        benchmark::DoNotOptimize(ts);
    }
}
BENCHMARK(ClockGettime);

static void ZoneBeginEnd(benchmark::State& state)
{
    static ZoneSite site("Bench");
    begin_zone(site.cache, site.zone);
    end_zone();
    size_t heap_before = mallinfo2().uordblks;
    for (auto _ : state) {
        begin_zone(site.cache, site.zone);
        end_zone();
    }
    state.counters["heap_bytes_added"] = static_cast<double>(mallinfo2().uordblks - heap_before);
}
BENCHMARK(ZoneBeginEnd);

// 100 nodes: the root, 9 zones below it with 10 children each. Zones stay linked to the
// profiler for good, so their sites are never freed.
static void BuildTree()
{
    static std::vector<std::unique_ptr<ZoneSite>> sites;
    clear();
    for (int i = 0; i < 9; i++) {
        sites.push_back(std::make_unique<ZoneSite>("OuterZoneName"));
        ZoneSite& outer = *sites.back();
        begin_zone(outer.cache, outer.zone);
        for (int j = 0; j < 10; j++) {
            sites.push_back(std::make_unique<ZoneSite>("InnerZoneName"));
            begin_zone(sites.back()->cache, sites.back()->zone);
            end_zone();
        }
        end_zone();
    }
}

static void Update100(benchmark::State& state)
{
    BuildTree();
    for (auto _ : state)
        update();
    state.counters["nodes"] = profiler_core().node_count;
}
BENCHMARK(Update100);

static void TreeText100(benchmark::State& state)
{
    BuildTree();
    update();
    for (auto _ : state)
        benchmark::DoNotOptimize(tree_text().data());
    state.counters["nodes"] = profiler_core().node_count;
}
BENCHMARK(TreeText100);
