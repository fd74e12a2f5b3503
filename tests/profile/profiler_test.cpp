// The zone profiler's call tree: node reuse and lookup, table growth, the zone sums under
// recursion, damped averages and clear. Ticks come from the test clock.

#include "support/fake_clock.h"

#include "profile/profiler.h"
#include "profile/profiler_internal.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

TEST(Profiler, ASiteEnteredAgainFromTheSameParentReusesItsNode)
{
    ZoneSite a("A");
    for (int i = 0; i < 3; i++) {
        begin_zone(a.cache, a.zone);
        end_zone();
    }
    EXPECT_EQ(profiler_core().node_count, 2u);
    EXPECT_EQ(profiler_core().zone_count, 2u);
    EXPECT_EQ(a.cache.node->pending_calls, 3u);
    // More ends than begins stay at the root.
    end_zone();
    EXPECT_EQ(profiler_core().current, &profiler_core().root_node);
}

TEST(Profiler, OneZoneUnderTwoParentsHasTwoNodesAndSummedStats)
{
    ZoneSite outer1("P1"), outer2("P2"), shared("S");
    begin_zone(outer1.cache, outer1.zone);
    begin_zone(shared.cache, shared.zone);
    advance_clock(7);
    end_zone();
    end_zone();
    begin_zone(outer2.cache, outer2.zone);
    begin_zone(shared.cache, shared.zone);
    advance_clock(5);
    end_zone();
    end_zone();
    EXPECT_EQ(profiler_core().node_count, 5u);
    update();
    EXPECT_EQ(shared.zone.stats.self_current, 12u);
    EXPECT_EQ(shared.zone.stats.calls_current, 2u);
    EXPECT_EQ(outer1.zone.stats.nested_current, 7u);
}

TEST(Profiler, RecursionCountsEachTickOnceForTheZone)
{
    ZoneSite a("A");
    begin_zone(a.cache, a.zone);
    ProfileNode* outer = profiler_core().current;
    advance_clock(10);
    begin_zone(a.cache, a.zone);
    ProfileNode* inner = profiler_core().current;
    advance_clock(5);
    end_zone();
    end_zone();
    update();
    EXPECT_NE(outer, inner);
    EXPECT_EQ(outer->stats.self_current, 10u);
    EXPECT_EQ(outer->stats.nested_current, 5u);
    EXPECT_EQ(inner->stats.self_current, 5u);
    EXPECT_EQ(inner->stats.nested_current, 0u);
    EXPECT_EQ(a.zone.stats.self_current, 15u);
    EXPECT_EQ(a.zone.stats.nested_current, 0u);
    EXPECT_EQ(profiler_core().root_zone.stats.nested_current, 15u);
}

TEST(Profiler, TheTableGrowsAtThe129thNodeAndFindsEveryNodeAgain)
{
    std::vector<std::unique_ptr<ZoneSite>> sites;
    std::vector<ProfileNode*> nodes;
    for (int i = 0; i < 129; i++) {
        sites.push_back(std::make_unique<ZoneSite>("zone"));
        ZoneSite& site = *sites.back();
        begin_zone(site.cache, site.zone);
        nodes.push_back(profiler_core().current);
        end_zone();
        EXPECT_EQ(profiler_core().table_size, i < 128 ? 256u : 512u) << "after node " << i + 1;
    }
    EXPECT_EQ(profiler_core().node_count, 130u);
    EXPECT_NE(profiler_core().first_pool, profiler_core().last_pool);
    EXPECT_EQ(profiler_core().last_pool->end - profiler_core().last_pool->Nodes(), 128);

    // Forgetting the cached nodes forces a table lookup: each finds its node, none is made.
    for (int i = 0; i < 129; i++) {
        sites[i]->cache.node = nullptr;
        begin_zone(sites[i]->cache, sites[i]->zone);
        EXPECT_EQ(profiler_core().current, nodes[i]);
        end_zone();
    }
    EXPECT_EQ(profiler_core().node_count, 130u);
}

TEST(Profiler, FirstUpdateCopiesThenAveragesAreDamped)
{
    ZoneSite a("A");
    for (int i = 0; i < 10; i++) {
        begin_zone(a.cache, a.zone);
        end_zone();
    }
    update();
    EXPECT_EQ(a.cache.node->stats.calls_average, 10.0f);
    EXPECT_EQ(a.zone.stats.calls_average, 10.0f);
    // The root counts the one call that start opened.
    EXPECT_EQ(profiler_core().root_node.stats.calls_average, 1.0f);
    update();
    EXPECT_EQ(a.cache.node->stats.calls_average, 9.0f);
    EXPECT_EQ(a.zone.stats.calls_average, 9.0f);
    EXPECT_FLOAT_EQ(profiler_core().root_node.stats.calls_average, 0.9f);

    profiler_core().damping = 1.0f;
    update();
    EXPECT_EQ(a.zone.stats.calls_average, 9.0f);

    profiler_core().damping = 0.0f;
    begin_zone(a.cache, a.zone);
    end_zone();
    update();
    EXPECT_EQ(a.zone.stats.calls_average, 1.0f);
}

TEST(Profiler, UpdateBeforeAnyZoneChargesTheRoot)
{
    advance_clock(1234);
    update();
    EXPECT_EQ(profiler_core().root_node.stats.self_current, 1234u);
    EXPECT_FALSE(profiler_core().initialized);
}

TEST(Profiler, ClearWhileZonesAreOpenStartsAFreshTree)
{
    ZoneSite a("A"), b("B");
    begin_zone(a.cache, a.zone);
    begin_zone(b.cache, b.zone);
    advance_clock(3);
    update();
    clear();
    EXPECT_EQ(profiler_core().current, &profiler_core().root_node);
    EXPECT_EQ(profiler_core().node_count, 1u);
    EXPECT_EQ(profiler_core().zone_count, 1u);
    EXPECT_EQ(profiler_core().root_zone.next, nullptr);
    EXPECT_EQ(a.cache.node, nullptr);
    EXPECT_EQ(b.zone.state, ZoneState::Unlinked);
    EXPECT_EQ(b.zone.stats.self_average, 3.0f);  // averages survive a clear
    end_zone();
    end_zone();
    EXPECT_EQ(profiler_core().current, &profiler_core().root_node);

    // Zones relink in the order they are entered again.
    begin_zone(b.cache, b.zone);
    end_zone();
    begin_zone(a.cache, a.zone);
    end_zone();
    EXPECT_EQ(profiler_core().root_zone.next, &b.zone);
    EXPECT_EQ(b.zone.next, &a.zone);
    EXPECT_EQ(profiler_core().last_zone, &a.zone);
    EXPECT_EQ(profiler_core().node_count, 3u);
}

TEST(Profiler, ZoneGuardEndsItsZoneOnEveryExit)
{
    ZoneSite a("A");
    auto timed = [&](bool early) {
        ZoneGuard guard(a.cache, a.zone);
        if (early)
            return 1;
        advance_clock(2);
        return 2;
    };
    timed(true);
    timed(false);
    EXPECT_EQ(profiler_core().current, &profiler_core().root_node);
    EXPECT_EQ(a.cache.node->pending_calls, 2u);
    EXPECT_EQ(a.cache.node->pending_ticks, 2u);
}
