// The zone profiler: named regions of the program timed as a call tree with damped per-period
// averages. State: the one ProfilerCore, in profiler.cpp, constant-initialised so that zones can
// be entered before main runs. Main thread only.
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


struct ProfileNode;

// The node a site entered last; null before its first entry, which looks the node up.
struct NodeCache {
    ProfileNode* node = nullptr;
};

// What an instrumented place owns: its zone and the node it entered last.
struct ZoneSite {
    constexpr explicit ZoneSite(const char* name) : zone{nullptr, ZoneState::Unlinked, name, {}} {}
    ProfileZone zone;
    NodeCache cache;
};



// Platform counter: unsigned, monotonic, fixed frequency. Weak in the engine, so that tests can
// link a clock of exact ticks in its place.
uint64_t read_clock();
// The counter's ticks per second as the platform tells or measures it (also weak).
uint64_t platform_clock_frequency();
// platform_clock_frequency, read once and cached.
uint64_t clock_frequency();
float seconds_per_tick();

// Enters `zone` at the site owning `cache`; a site entered again from the same parent reuses
// its cached node without a lookup.
void begin_zone(NodeCache& cache, ProfileZone& zone);
// Leaves the innermost open node; at the root it stays at the root.
void end_zone();
// Leaves open nodes until the innermost is at `depth` or shallower: closes what a script error or
// a replaced call left open.
void end_zones_to_depth(uint32_t depth);
// The depth of the innermost open node (the root's is 0).
uint32_t current_zone_depth();
// How much of the last average each period's average keeps (0.9 unless set).
void set_zone_damping(float damping);
float zone_damping();

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
// Orders the zone chain by self average, largest first (after the root zone).
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
