// The zone profiler: named regions of the program timed as a call tree with damped per-period
// averages. State: `profiler`, the one ProfilerCore, constant-initialised so that zones can be
// entered before main runs. Main thread only.
#pragma once

#include <cstdint>
#include <string>

enum class ZoneState : uint32_t { Unlinked = 0, Linked = 1, OnPath = 2 };

struct ProfileStats {
    uint32_t calls_current = 0;
    float calls_average = 0;
    uint64_t self_current = 0;
    float self_average = 0;
    uint64_t nested_current = 0;
    float nested_average = 0;
};

struct ProfileZone {
    ProfileZone* next = nullptr;
    ZoneState state = ZoneState::Unlinked;
    const char* name = nullptr;
    ProfileStats stats;
};

struct NodeCache;

struct ProfileNode {
    uint32_t pending_calls = 0;
    uint64_t pending_ticks = 0;
    ProfileZone* zone = nullptr;
    ProfileNode* parent = nullptr;
    ProfileNode* next_sibling = nullptr;
    ProfileNode* first_child = nullptr;
    ProfileNode* last_child = nullptr;
    uint32_t child_count = 0;
    uint32_t depth = 0;
    NodeCache* cache = nullptr;
    ProfileStats stats;
};

// All-zero node with no parent: every site's cache starts here, so its first entry looks up.
extern ProfileNode DummyNode;

struct NodeCache {
    ProfileNode* node = &DummyNode;
};

// What an instrumented place owns: its zone and the node it entered last.
struct ZoneSite {
    constexpr explicit ZoneSite(const char* name) : zone{nullptr, ZoneState::Unlinked, name, {}} {}
    ProfileZone zone;
    NodeCache cache;
};

// A block of pre-zeroed nodes handed out in order; the nodes follow the header in memory.
struct NodePool {
    NodePool* next;
    ProfileNode* next_free;
    ProfileNode* end;
    ProfileNode* Nodes() { return reinterpret_cast<ProfileNode*>(this + 1); }
};

struct ProfilerCore {
    uint64_t last_tick;
    ProfileNode* current;
    uint32_t table_mask;
    ProfileNode** table;
    uint32_t table_size;
    uint32_t node_count;
    uint32_t zone_count;
    ProfileZone* last_zone;
    NodePool* last_pool;
    NodePool* first_pool;
    ProfileNode root_node;
    ProfileZone root_zone;
    float damping;
    bool initialized;
    bool update_pending;
};

extern ProfilerCore profiler;

// Platform counter: unsigned, monotonic, fixed frequency. Weak in the engine, so that tests can
// link a clock of exact ticks in its place.
uint64_t read_clock();
// The counter's ticks per second as the platform tells or measures it (also weak).
uint64_t platform_clock_frequency();
// platform_clock_frequency, read once and cached.
uint64_t clock_frequency();
float seconds_per_tick();

// Looks up or makes the node of `zone` below the current node (the slow path of begin_zone).
ProfileNode* find_or_create_node(NodeCache& cache, ProfileZone& zone);

// Charges the ticks since the last charge to the innermost open node.
inline void charge_elapsed()
{
    uint64_t now = read_clock();
    profiler.current->pending_ticks += now - profiler.last_tick;
    profiler.last_tick = now;
}

// Enters `zone` at the site owning `cache`; a site entered again from the same parent reuses
// its cached node without a lookup.
inline void begin_zone(NodeCache& cache, ProfileZone& zone)
{
    if (cache.node->parent != profiler.current)
        cache.node = find_or_create_node(cache, zone);
    ProfileNode* node = cache.node;
    node->pending_calls++;
    charge_elapsed();
    profiler.current = node;
}

// Leaves the innermost open node; at the root it stays at the root.
inline void end_zone()
{
    charge_elapsed();
    profiler.current = profiler.current->parent;
}
// Leaves open nodes until the innermost is at `depth` or shallower: closes what a script error or
// a replaced call left open.
inline void end_zones_to_depth(uint32_t depth)
{
    while (profiler.current->depth > depth)
        end_zone();
}

// Closes the measurement period: per-period values, zone sums and damped averages.
void update();
// Discards the call tree and unlinks every zone; zone averages are kept.
void clear();

// Reports (report.cpp). A report is exactly 79 columns per line, lines joined by newlines.
// The error text when there is nothing to report, or null.
const char* error_text();
// The call tree, and the flat list by self time (which sorts the zone chain first). Both are
// rendered into one reused buffer, valid until the next report.
const std::string& tree_text();
const std::string& flat_text();
// Writes the flat list and the call tree to `path`, or to standard output when it is null.
bool output(const char* path);
void sort_zones();

struct ZoneGuard {
    ZoneGuard(NodeCache& cache, ProfileZone& zone) { begin_zone(cache, zone); }
    ~ZoneGuard() { end_zone(); }
    ZoneGuard(const ZoneGuard&) = delete;
    ZoneGuard& operator=(const ZoneGuard&) = delete;
};

#define PROFILE_CONCAT2(a, b) a##b
#define PROFILE_CONCAT(a, b) PROFILE_CONCAT2(a, b)
// Declares the site of zone `name` at this place: PROFILE_SITE(site, "FillPipe");
#define PROFILE_SITE(site, name) static ZoneSite site(name)
// Times the rest of the enclosing scope as zone `name`.
#define PROFILE_SCOPE(name)                                   \
    PROFILE_SITE(PROFILE_CONCAT(zone_site_, __LINE__), name); \
    ZoneGuard PROFILE_CONCAT(zone_guard_, __LINE__)(PROFILE_CONCAT(zone_site_, __LINE__).cache, \
                                                    PROFILE_CONCAT(zone_site_, __LINE__).zone)
#define PROFILE_BEGIN(site) begin_zone((site).cache, (site).zone)
