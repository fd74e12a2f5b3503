// The zone profiler's call tree: node lookup and creation, the node table and pools, the
// per-period update with damped averages, and clear. State: the ProfilerCore.

#include "profile/profiler.h"

#include "profile/profiler_internal.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

// Sizes after start: the table has twice as many slots as the pools have nodes.
static const uint32_t kFirstTableSize = 256;
static const uint32_t kFirstPoolSize = 128;

static ProfileNode* static_table[1];

// The root node and zone point at each other inside the object being defined: only their
// addresses are taken, which clang's -Wuninitialized does not tell apart from a read.
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wuninitialized"
#endif
static constinit ProfilerCore profiler = {
    .last_tick = 0,
    .current = &profiler.root_node,
    .table_mask = 0,
    .table = static_table,
    .table_size = 1,
    .node_count = 1,
    .zone_count = 1,
    .last_zone = &profiler.root_zone,
    .last_pool = nullptr,
    .first_pool = nullptr,
    .root_node = {.zone = &profiler.root_zone, .parent = &profiler.root_node, .stats = {}},
    .root_zone = {.name = "<unprofiled>", .stats = {}},
    .damping = 0.9f,
    .initialized = false,
    .update_pending = true,
};
#if defined(__clang__)
#pragma clang diagnostic pop
#endif

// Charges the ticks since the last charge to the innermost open node.
static void charge_elapsed()
{
    uint64_t now = read_clock();
    profiler.current->pending_ticks += now - profiler.last_tick;
    profiler.last_tick = now;
}

// The machine is out of memory: nothing sensible can go on.
static void* allocate_zeroed(size_t count, size_t size)
{
    void* memory = calloc(count, size);
    if (!memory) {
        printf("Zone profiler: out of memory\n");
        fflush(stdout);
        abort();
    }
    return memory;
}

static uint32_t node_hash(const ProfileNode* parent, const ProfileZone* zone)
{
    uint32_t t = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(parent)) +
                 static_cast<uint32_t>(reinterpret_cast<uintptr_t>(zone));
    uint32_t h = t + (t << 12) + 0x7ED55D16u;
    return h ^ 0xC761C23Cu ^ (h >> 19);
}

static uint32_t probe_step(uint32_t hash)
{
    return ((hash << 8) + (hash >> 4)) | 1u;
}

// The first empty slot on the probe path of (parent, zone).
static uint32_t empty_slot(const ProfileNode* parent, const ProfileZone* zone)
{
    uint32_t hash = node_hash(parent, zone);
    uint32_t step = probe_step(hash);
    uint32_t slot = hash & profiler.table_mask;
    while (profiler.table[slot])
        slot = (slot + step) & profiler.table_mask;
    return slot;
}

static void allocate_table(uint32_t size)
{
    profiler.table = static_cast<ProfileNode**>(allocate_zeroed(size, sizeof(ProfileNode*)));
    profiler.table_size = size;
    profiler.table_mask = size - 1;
}

static void free_table()
{
    if (profiler.table != static_table)
        free(profiler.table);
}

static void add_pool(uint32_t node_count)
{
    auto* pool = static_cast<NodePool*>(
        allocate_zeroed(1, sizeof(NodePool) + node_count * sizeof(ProfileNode)));
    pool->next_free = pool->Nodes();
    pool->end = pool->Nodes() + node_count;
    if (profiler.last_pool)
        profiler.last_pool->next = pool;
    else
        profiler.first_pool = pool;
    profiler.last_pool = pool;
}

static void grow_table()
{
    uint32_t size = profiler.table_size * 2;
    free_table();
    allocate_table(size);
    for (NodePool* pool = profiler.first_pool; pool; pool = pool->next)
        for (ProfileNode* node = pool->Nodes(); node != pool->next_free; node++)
            profiler.table[empty_slot(node->parent, node->zone)] = node;
}

static ProfileNode* take_node(NodeCache& cache, ProfileZone& zone)
{
    ProfileNode* parent = profiler.current;
    ProfileNode* node = profiler.last_pool->next_free++;
    node->zone = &zone;
    node->parent = parent;
    node->depth = parent->depth + 1;
    node->cache = &cache;
    parent->child_count++;
    if (parent->first_child)
        parent->last_child->next_sibling = node;
    else
        parent->first_child = node;
    parent->last_child = node;
    profiler.node_count++;
    return node;
}

static ProfileNode* create_node(NodeCache& cache, ProfileZone& zone)
{
    ProfileNode* node = take_node(cache, zone);
    profiler.table[empty_slot(node->parent, node->zone)] = node;
    return node;
}

static void start()
{
    profiler.initialized = true;
    profiler.root_node.pending_calls = 1;
    profiler.root_node.pending_ticks = 0;
    profiler.last_tick = read_clock();
}

static void link_zone(ProfileZone& zone)
{
    zone.state = ZoneState::Linked;
    profiler.last_zone->next = &zone;
    profiler.last_zone = &zone;
    profiler.zone_count++;
}

ProfileNode* find_or_create_node(NodeCache& cache, ProfileZone& zone)
{
    ProfileNode* parent = profiler.current;
    uint32_t hash = node_hash(parent, &zone);
    uint32_t step = probe_step(hash);
    uint32_t slot = hash & profiler.table_mask;
    while (ProfileNode* node = profiler.table[slot]) {
        if (node->parent == parent && node->zone == &zone)
            return node;
        slot = (slot + step) & profiler.table_mask;
    }

    if (zone.state == ZoneState::Unlinked)
        link_zone(zone);
    if (!profiler.initialized) {
        start();
        allocate_table(kFirstTableSize);
        add_pool(kFirstPoolSize);
        return create_node(cache, zone);
    }
    // The pools are full exactly when the table would pass half full.
    if (profiler.table_size < 2 * profiler.node_count) {
        grow_table();
        add_pool(profiler.node_count - 1);
        return create_node(cache, zone);
    }
    ProfileNode* node = take_node(cache, zone);
    profiler.table[slot] = node;
    return node;
}

static void average(ProfileStats& stats, bool copy, float damping)
{
    float calls = static_cast<float>(stats.calls_current);
    float self = static_cast<float>(stats.self_current);
    float nested = static_cast<float>(stats.nested_current);
    if (copy) {
        stats.calls_average = calls;
        stats.self_average = self;
        stats.nested_average = nested;
    } else {
        stats.calls_average = calls + (stats.calls_average - calls) * damping;
        stats.self_average = self + (stats.self_average - self) * damping;
        stats.nested_average = nested + (stats.nested_average - nested) * damping;
    }
}

// Whether each node on the walk's path is the outermost node of its zone. Kept between updates
// so that the walk allocates only when the tree grows deeper than ever before.
static std::vector<bool> owns_zone_stack;

static void enter_node(ProfileNode* node)
{
    ProfileZone* zone = node->zone;
    node->stats.self_current = node->pending_ticks;
    node->stats.calls_current = node->pending_calls;
    node->stats.nested_current = 0;
    zone->stats.self_current += node->pending_ticks;
    zone->stats.calls_current += node->pending_calls;
    node->pending_ticks = 0;
    node->pending_calls = 0;
    bool owns = zone->state != ZoneState::OnPath;
    if (owns)
        zone->state = ZoneState::OnPath;
    else
        zone->stats.nested_current -= node->stats.self_current;
    owns_zone_stack.push_back(owns);
}

static void leave_node(ProfileNode* node, bool copy)
{
    ProfileZone* zone = node->zone;
    if (owns_zone_stack.back()) {
        zone->stats.nested_current += node->stats.nested_current;
        zone->state = ZoneState::Linked;
    }
    owns_zone_stack.pop_back();
    average(node->stats, copy, profiler.damping);
    if (node->depth != 0)
        node->parent->stats.nested_current += node->stats.self_current + node->stats.nested_current;
}

// Depth-first from the root, children in creation order, without recursion.
static void walk_tree(bool copy)
{
    ProfileNode* root = &profiler.root_node;
    ProfileNode* node = root;
    enter_node(node);
    for (;;) {
        if (node->first_child) {
            node = node->first_child;
            enter_node(node);
            continue;
        }
        for (;;) {
            leave_node(node, copy);
            if (node == root)
                return;
            if (node->next_sibling) {
                node = node->next_sibling;
                enter_node(node);
                break;
            }
            node = node->parent;
        }
    }
}

void update()
{
    charge_elapsed();
    for (ProfileZone* zone = &profiler.root_zone; zone; zone = zone->next) {
        zone->stats.calls_current = 0;
        zone->stats.self_current = 0;
        zone->stats.nested_current = 0;
    }
    bool copy = profiler.update_pending || profiler.damping == 0.0f;
    profiler.update_pending = false;
    walk_tree(copy);
    for (ProfileZone* zone = &profiler.root_zone; zone; zone = zone->next)
        average(zone->stats, copy, profiler.damping);
}

void clear()
{
    for (NodePool* pool = profiler.first_pool; pool;) {
        for (ProfileNode* node = pool->Nodes(); node != pool->next_free; node++)
            node->cache->node = nullptr;
        NodePool* next = pool->next;
        free(pool);
        pool = next;
    }
    profiler.first_pool = profiler.last_pool = nullptr;
    free_table();
    allocate_table(kFirstTableSize);
    add_pool(kFirstPoolSize);
    profiler.node_count = 1;

    for (ProfileZone* zone = &profiler.root_zone; zone;) {
        ProfileZone* next = zone->next;
        zone->state = ZoneState::Unlinked;
        zone->next = nullptr;
        zone = next;
    }
    profiler.last_zone = &profiler.root_zone;
    profiler.zone_count = 1;

    profiler.root_node = ProfileNode{.zone = &profiler.root_zone, .parent = &profiler.root_node, .stats = {}};
    start();
    profiler.current = &profiler.root_node;
}

// Enters `zone` at the site owning `cache`; a site entered again from the same parent reuses
// its cached node without a lookup.
void begin_zone(NodeCache& cache, ProfileZone& zone)
{
    if (!cache.node || cache.node->parent != profiler.current)
        cache.node = find_or_create_node(cache, zone);
    ProfileNode* node = cache.node;
    node->pending_calls++;
    charge_elapsed();
    profiler.current = node;
}

// Leaves the innermost open node; at the root it stays at the root.
void end_zone()
{
    charge_elapsed();
    profiler.current = profiler.current->parent;
}
// Leaves open nodes until the innermost is at `depth` or shallower: closes what a script error or
// a replaced call left open.
void end_zones_to_depth(uint32_t depth)
{
    while (profiler.current->depth > depth)
        end_zone();
}

uint32_t current_zone_depth()
{
    return profiler.current->depth;
}

void set_zone_damping(float damping)
{
    profiler.damping = damping;
}

float zone_damping()
{
    return profiler.damping;
}

ProfilerCore& profiler_core()
{
    return profiler;
}

void relink_zones(ProfileZone* first, ProfileZone* last)
{
    profiler.root_zone.next = first;
    profiler.last_zone = last;
}
