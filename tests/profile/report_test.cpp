// The zone profiler's reports: exact text of a known tree at 10 MHz, the fixed layout, the zone
// sort with its tie order, output to files and standard output, and the error texts.

#include "support/fake_clock.h"

#include "profile/profiler.h"
#include "profile/profiler_internal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

static ZoneSite lua_update("LuaUpdate"), fill_pipe("FillPipe"), swap_buffers("SwapBuffers");

// root self 50000, LuaUpdate self 270000 around FillPipe 130000, SwapBuffers 100000 ticks.
static void RunKnownFrame()
{
    begin_zone(lua_update.cache, lua_update.zone);
    advance_clock(200000);
    begin_zone(fill_pipe.cache, fill_pipe.zone);
    advance_clock(130000);
    end_zone();
    advance_clock(70000);
    end_zone();
    begin_zone(swap_buffers.cache, swap_buffers.zone);
    advance_clock(100000);
    end_zone();
    advance_clock(50000);
    update();
}

static std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

static const char* kTree =
    "call tree                                 calls       self time      total time\n"
    "<unprofiled>                                1.0      5 ms   10%     55 ms  110%\n"
    "  LuaUpdate                                 1.0     27 ms   54%     40 ms   80%\n"
    "    FillPipe                                1.0     13 ms   26%     13 ms   26%\n"
    "  SwapBuffers                               1.0     10 ms   20%     10 ms   20%";

static const char* kFlat =
    "sorted list                               calls       self time      total time\n"
    "<unprofiled>                                1.0      5 ms   10%     55 ms  110%\n"
    "LuaUpdate                                   1.0     27 ms   54%     40 ms   80%\n"
    "FillPipe                                    1.0     13 ms   26%     13 ms   26%\n"
    "SwapBuffers                                 1.0     10 ms   20%     10 ms   20%";

TEST(Report, KnownTreeRendersExactly)
{
    RunKnownFrame();
    EXPECT_EQ(tree_text(), kTree);
    EXPECT_EQ(flat_text(), kFlat);
    EXPECT_EQ(profiler_core().last_zone, &swap_buffers.zone);
}

TEST(Report, OutputWritesBothReportsToAFileOrStandardOutput)
{
    RunKnownFrame();
    std::string expected = std::string(kFlat) + "\n\n" + kTree + "\n\n";
    std::string path = testing::TempDir() + "/zones.txt";
    std::ofstream(path) << "old contents that must go";
    ASSERT_TRUE(output(path.c_str()));
    std::stringstream written;
    written << std::ifstream(path).rdbuf();
    EXPECT_EQ(written.str(), expected);

    testing::internal::CaptureStdout();
    EXPECT_TRUE(output(nullptr));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), expected);

    EXPECT_FALSE(output("/nonexistent-dir/zones.txt"));
}

TEST(Report, ErrorTextsBeforeUpdateAndBeforeAnyZone)
{
    EXPECT_EQ(tree_text(), "!!! Profile data must first be updated !!!");
    testing::internal::CaptureStdout();
    output(nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "!!! Profile data must first be updated !!!\n\n");
    update();
    EXPECT_EQ(flat_text(), "!!! No profiles where executed !!!");
}

TEST(Report, UnitsDifferPerColumnAndLongNamesAndDeepTreesKeep79Columns)
{
    ZoneSite small("Small"), child("Child");
    ZoneSite long_name("AVeryLongZoneNameThatDoesNotFitIntoTheFortyColumnsOfTheNamePart");
    begin_zone(small.cache, small.zone);
    advance_clock(9000);  // 900 us of self time
    begin_zone(child.cache, child.zone);
    advance_clock(11000);  // total 2 ms
    begin_zone(long_name.cache, long_name.zone);
    end_zone();
    end_zone();
    end_zone();
    update();
    std::vector<std::string> lines = Lines(tree_text());
    ASSERT_EQ(lines.size(), 5u);
    for (const std::string& line : lines)
        EXPECT_EQ(line.size(), 79u) << line;
    EXPECT_EQ(lines[2].substr(40), "    1.0    900 us   45%      2 ms  100%");
    EXPECT_EQ(lines[4].substr(0, 40), "      AVeryLongZoneNameThatDoesNotFitInt");
}

TEST(Report, ZeroBaseShowsDashesInTheSameLayout)
{
    ZoneSite a("A");
    begin_zone(a.cache, a.zone);
    end_zone();
    clear();
    update();
    const std::string& tree = tree_text();
    ASSERT_EQ(tree.size(), 2u * 80 - 1);
    EXPECT_EQ(tree.substr(80 + 40), "    1.0      0 ns    -%      0 ns    -%");
}

// Links zones named by `names` in order behind the root, with the given self averages.
static std::string SortedNames(const std::string& names, const std::vector<float>& self = {})
{
    static std::vector<std::unique_ptr<ZoneSite>> sites;
    std::vector<ZoneSite*> linked;
    for (size_t i = 0; i < names.size(); i++) {
        sites.push_back(std::make_unique<ZoneSite>(nullptr));
        ZoneSite& site = *sites.back();
        site.zone.name = &names[i];
        site.zone.stats.self_average = i < self.size() ? self[i] : 0;
        begin_zone(site.cache, site.zone);
        end_zone();
    }
    sort_zones();
    std::string order;
    for (ProfileZone* zone = profiler_core().root_zone.next; zone; zone = zone->next)
        order += *zone->name;
    EXPECT_EQ(*profiler_core().last_zone->name, order.back());
    return order;
}

TEST(Report, SortOrdersBySelfTimeWithItsFixedTieOrder)
{
    EXPECT_EQ(SortedNames("a"), "a");
    clear();
    EXPECT_EQ(SortedNames("ab"), "ab");
    clear();
    EXPECT_EQ(SortedNames("abc"), "cba");
    clear();
    EXPECT_EQ(SortedNames("abcde"), "edcba");
    clear();
    EXPECT_EQ(SortedNames("abcdefgh"), "ghefcdab");
    clear();
    EXPECT_EQ(SortedNames("abcd", {1, 3, 2, 3}), "dbca");
}

TEST(Report, ZonesEnteredAfterASortAppendBehindTheLastOne)
{
    RunKnownFrame();
    flat_text();
    ZoneSite late("Late");
    begin_zone(late.cache, late.zone);
    end_zone();
    EXPECT_EQ(swap_buffers.zone.next, &late.zone);
    EXPECT_EQ(profiler_core().last_zone, &late.zone);
}
