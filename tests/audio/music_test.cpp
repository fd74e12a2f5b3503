// Music end to end inside the test process with SDL's dummy driver: sync timing, the event
// queue's collapsing and order, tags, bad files and times, sample rates, and volume.

#include "support/audio_files.h"
#include "support/gl.h"

#include "app/api.h"
#include "audio/music.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

using Clock = std::chrono::steady_clock;

class Music : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(OpenAudioDevice());
        ASSERT_EQ(lua.Run(R"(
            events = {}
            function MusicEnd() events[#events + 1] = "end" end
            function MusicSync(name) events[#events + 1] = tostring(name) end
        )"),
                  "");
    }
    void TearDown() override { CloseAudioDevice(); }

    // Delivers events every millisecond for `seconds`; returns each event with the seconds from
    // `start` at which it was delivered.
    std::vector<std::pair<std::string, double>> Collect(Clock::time_point start, double seconds)
    {
        std::vector<std::pair<std::string, double>> seen;
        while (std::chrono::duration<double>(Clock::now() - start).count() < seconds) {
            DeliverMusicEvents(lua.L);
            double at = std::chrono::duration<double>(Clock::now() - start).count();
            lua_getglobal(lua.L, "events");
            for (size_t i = seen.size() + 1; i <= lua_objlen(lua.L, -1); i++) {
                lua_rawgeti(lua.L, -1, static_cast<int>(i));
                seen.emplace_back(lua_tostring(lua.L, -1), at);
                lua_pop(lua.L, 1);
            }
            lua_pop(lua.L, 1);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return seen;
    }
    TestState lua;
};

TEST_F(Music, SyncsArriveAfterTheirTimeEveryLoop)
{
    std::string path = WriteSine("loop.wav", 0.6, 440, 0.5);
    Clock::time_point start = Clock::now();
    ASSERT_EQ(lua.Run("PlayMusicWithSync('" + path + "', {0.2, 'first', 0.4, 'second'})"), "");
    auto seen = Collect(start, 1.35);
    std::vector<std::pair<std::string, double>> expected = {
        {"first", 0.2}, {"second", 0.4}, {"end", 0.6}, {"first", 0.8}, {"second", 1.0},
        {"end", 1.2}};
    ASSERT_EQ(seen.size(), expected.size());
    for (size_t i = 0; i < expected.size(); i++) {
        EXPECT_EQ(seen[i].first, expected[i].first);
        EXPECT_GE(seen[i].second, expected[i].second) << expected[i].first << " " << i;
        EXPECT_LE(seen[i].second, expected[i].second + 0.06) << expected[i].first << " " << i;
    }
}

TEST_F(Music, EndsCollapseAndSyncsKeepTheirOrderPastAFailingHandler)
{
    // Between the deliveries: syncs at 0.1, 0.3 and 0.5 s and ends at 0.2 and 0.4 s, with 50 ms
    // to spare on both sides.
    std::string path = WriteSine("short.wav", 0.2, 440, 0.5);
    ASSERT_EQ(lua.Run(R"(
        local failed = false
        function MusicSync(name)
            events[#events + 1] = name
            if not failed then failed = true error("handler failed") end
        end
        PlayMusicWithSync(")" + path + R"(", {0.1, "s"})
    )"),
              "");
    std::this_thread::sleep_for(std::chrono::milliseconds(550));
    testing::internal::CaptureStdout();
    DeliverMusicEvents(lua.L);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(lua.Run("assert(table.concat(events, ',') == 'end,s,s,s', table.concat(events, ','))"),
              "");
    EXPECT_NE(out.find("Error: [string"), std::string::npos);
    EXPECT_NE(out.find("handler failed"), std::string::npos);
}

TEST_F(Music, OddTablesEmptyTablesAndOddTimes)
{
    std::string path = WriteSine("odd.wav", 0.3, 440, 0.5);
    Clock::time_point start = Clock::now();
    ASSERT_EQ(lua.Run("PlayMusicWithSync('" + path + "', {0.1, 'named', 0.15})"
                      "PlayMusicWithSync('" + path + "', {})"
                      "PlayMusicWithSync('" + path + "', 'not a table')"
                      "PlayMusicWithSync('" + path + "', {'soon', 'zero', -5, 'negative', 0/0, "
                      "'nan', 1e300, 'never', 1/0, 'never', 0.31, 'past the end'})"),
              "");
    auto seen = Collect(start, 0.2);
    std::multiset<std::string> early;
    for (auto& [name, at] : seen)
        if (at < 0.08)
            early.insert(name);
    EXPECT_EQ(early, (std::multiset<std::string>{"zero", "negative", "nan"}));
    std::multiset<std::string> later;
    for (auto& [name, at] : seen)
        if (at >= 0.08)
            later.insert(name);
    EXPECT_EQ(later, (std::multiset<std::string>{"named", "nil"}));
    auto rest = Collect(start, 0.34);
    int ends = 0;
    for (auto& [name, at] : rest)
        ends += name == "end";
    // Four streams loop once each: four end events between two deliveries may collapse, but
    // at least one arrives.
    EXPECT_GE(ends, 1);
    for (auto& [name, at] : rest)
        EXPECT_NE(name, "never");
}

TEST_F(Music, OtherRatesAndMonoPlayAtTheirOwnSpeed)
{
    std::string path = WriteSine("fast.wav", 0.5, 440, 0.5, 48000, 2);
    Clock::time_point start = Clock::now();
    ASSERT_EQ(lua.Run("PlayMusicWithSync('" + path + "', {0.3, 'mark'})"), "");
    auto seen = Collect(start, 0.56);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].first, "mark");
    EXPECT_GE(seen[0].second, 0.3);
    EXPECT_LE(seen[0].second, 0.36);
    EXPECT_EQ(seen[1].first, "end");
    EXPECT_GE(seen[1].second, 0.5);
}

TEST_F(Music, TagsAreArtistThenTitle)
{
    std::string path = WriteSine("tagged.wav", 0.2, 440, 0.5);
    std::string title30(30, 'T');
    AppendId3v1(path, title30, "Some Artist");
    std::string plain = WriteSine("plain.wav", 0.2, 440, 0.5);
    EXPECT_EQ(lua.Run("local artist, title = PlayMusic('" + path + "')"
                      "assert(artist == 'Some Artist', artist)"
                      "assert(title == '" + title30 + "', title)"
                      "assert(select('#', PlayMusic('" + plain + "')) == 0)"),
              "");
}

TEST_F(Music, BadFilesGiveNoResultsAndNoMessages)
{
    std::string empty = testing::TempDir() + "/empty.wav";
    std::string garbage = testing::TempDir() + "/garbage.wav";
    std::string truncated = WriteSine("truncated.wav", 0.2, 440, 0.5);
    { std::ofstream touch(empty); }
    std::ofstream(garbage) << "RIFF nonsense that is no wave file at all";
    std::filesystem::resize_file(truncated, 60);
    testing::internal::CaptureStdout();
    EXPECT_EQ(lua.Run("for _, path in ipairs({'missing.wav', '" + empty + "', '" + garbage +
                      "', '" + testing::TempDir() + "'}) do "
                      "assert(select('#', PlayMusic(path)) == 0, path) end "
                      "assert(select('#', PlayMusic()) == 0) "
                      "assert(select('#', PlayMusicWithSync({}, {1, 'x'})) == 0) "
                      "PlayMusic('" + truncated + "') "
                      "SetVolume(0.5) assert(#GetSpectrum() == 512)"),
              "");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(Music, SpectrumFindsASineAtItsBin)
{
    EXPECT_EQ(lua.Run("assert(#GetSpectrum() == 512)"), "");
    // Bin 40's centre frequency.
    std::string path = WriteSine("bin40.wav", 1.0, 40 * 44100.0 / 1024, 0.5);
    ASSERT_EQ(lua.Run("PlayMusic('" + path + "')"), "");
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(lua.Run(R"(
        local s = GetSpectrum()
        assert(#s == 512)
        assert(math.abs(s[41] - 0.5) < 0.03, "bin 40: " .. s[41])
        for k = 1, 512 do
            if math.abs(k - 41) > 3 then assert(s[k] < 0.01, "bin " .. (k - 1) .. ": " .. s[k]) end
        end
        SetVolume(0.1)
        local quiet = GetSpectrum()
        assert(math.abs(quiet[41] - 0.5) < 0.03, "after SetVolume: " .. quiet[41])
    )"),
              "");
}
