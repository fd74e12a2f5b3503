// The zone profiler's call tree as its own files (the reports) and its tests read it.
#pragma once

#include "profile/profiler.h"

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

// The one ProfilerCore.
ProfilerCore& profiler_core();
// Looks up or makes the node of `zone` below the current node (the slow path of begin_zone).
ProfileNode* find_or_create_node(NodeCache& cache, ProfileZone& zone);
// Makes `first` to `last` the zone chain after the root zone (the reports' sort).
void relink_zones(ProfileZone* first, ProfileZone* last);
