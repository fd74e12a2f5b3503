// demohost-live's transport keys, pressed with xdotool: F6 pauses and resumes, F8 jumps ahead,
// and taps quicker than a frame each count.

#include "support/audio_files.h"
#include "support/run.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

static void Press(const char* key)
{
    std::string command = "xdotool search --sync --name '^live-keys$' mousemove --window %1 20 20 "
                          "key " + std::string(key);
    ASSERT_EQ(system(command.c_str()), 0);
}

// The update times and the largest sync seen in `out` from `from` on, and the time and music
// position of the first update of each state.
struct Seen {
    std::vector<double> updates;
    int syncs = 0;
    double last_sync = 0;
    std::vector<std::pair<double, double>> firsts;
};

static Seen Read(const std::string& out, size_t from)
{
    Seen seen;
    std::istringstream in(out.substr(from));
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("update ", 0) == 0)
            seen.updates.push_back(std::stod(line.substr(7)));
        if (line.rfind("first ", 0) == 0) {
            std::istringstream fields(line.substr(6));
            double time = 0, music = 0;
            fields >> time >> music;
            seen.firsts.push_back({time, music});
        }
        if (line.rfind("sync ", 0) == 0) {
            seen.syncs++;
            seen.last_sync = std::max(seen.last_sync, std::stod(line.substr(5)));
        }
    }
    return seen;
}

// A folder with a 20-second res/track.wav and `script` as res/main.lua.
static void WriteDemo(const ScriptDir& dir, const std::string& script)
{
    fs::copy_file(WriteSine("keys_track.wav", 20.0, 440, 0.3),
                  fs::path(dir.Path()) / "res" / "track.wav");
    dir.Write("res/main.lua", script);
}

TEST(LiveKeys, F6HoldsTimeAndMusicAndF8JumpsASecond)
{
    ScriptDir dir;
    WriteDemo(dir, R"(
        function initialize()
            OpenWindow(160, 120, "live-keys")
            local syncs = {}
            for i = 1, 39 do syncs[#syncs + 1] = i * 0.5 syncs[#syncs + 1] = tostring(i * 0.5) end
            PlayMusicWithSync("res/track.wav", syncs)
        end
        local host = require "demohost"
        local first = true
        function update(time)
            if first then print("first " .. time .. " " .. (host.music() or -1)) first = false end
            print("update " .. time)
        end
        function MusicSync(name) print("sync " .. name) end
    )");
    BackgroundRun live(LIVE_PATH, dir, {});
    ASSERT_TRUE(live.WaitFor("sync 1\n", 10)) << live.Output();

    // Paused for a second: the same time in every update and no sync; then it goes on.
    Press("F6");
    usleep(300000);
    size_t paused = live.Output().size();
    usleep(1000000);
    size_t resumed = live.Output().size();
    Press("F6");
    Seen still = Read(live.Output().substr(0, resumed), paused);
    ASSERT_GT(still.updates.size(), 5u);
    EXPECT_EQ(still.syncs, 0);
    for (double time : still.updates)
        EXPECT_EQ(time, still.updates[0]);
    usleep(700000);
    Seen going = Read(live.Output(), resumed);
    EXPECT_GT(going.updates.back(), still.updates[0] + 0.3);
    EXPECT_GT(going.syncs, 0);

    // A second forward: the points passed come at once, two further than before; the new state's
    // first update has the jumped time, and the music is there too.
    size_t before = live.Output().size();
    double reached = Read(live.Output(), 0).last_sync;
    double last_update = Read(live.Output(), 0).updates.back();
    Press("F8");
    usleep(200000);
    Seen jumped = Read(live.Output(), before);
    ASSERT_EQ(jumped.firsts.size(), 1u) << live.Output().substr(before);
    EXPECT_GE(jumped.firsts[0].first, last_update + 1.0) << live.Output().substr(before);
    EXPECT_NEAR(jumped.firsts[0].second, jumped.firsts[0].first, 0.2)
        << live.Output().substr(before);
    EXPECT_GE(jumped.last_sync, reached + 1.0) << live.Output().substr(before);
    EXPECT_LE(jumped.last_sync, reached + 2.0) << live.Output().substr(before);
    ASSERT_FALSE(jumped.updates.empty());
    EXPECT_GE(jumped.updates.back(), going.updates.back() + 1.0);
}

// Taps quicker than a frame (frames of 80 ms here, a press and its release a few apart): five F8
// taps sent at once jump five seconds, and five F5 taps a moment apart give five reloads.
TEST(LiveKeys, QuickTapsAreNeverLost)
{
    ScriptDir dir;
    WriteDemo(dir, R"(
        function initialize()
            OpenWindow(160, 120, "live-keys")
            PlayMusic("res/track.wav")
            print("init")
        end
        function update(time)
            print("update " .. time)
            local start = os.clock()
            while os.clock() - start < 0.08 do end
        end
    )");
    BackgroundRun live(LIVE_PATH, dir, {});
    ASSERT_TRUE(live.WaitFor("update ", 10)) << live.Output();
    usleep(300000);
    double before = Read(live.Output(), 0).updates.back();
    Press("F8 F8 F8 F8 F8");
    usleep(600000);
    double after = Read(live.Output(), 0).updates.back();
    EXPECT_GE(after - before, 5.0) << live.Output();
    EXPECT_LT(after - before, 7.0) << live.Output();

    size_t starts = Count(live.Output(), "init\n");
    Press("F5 sleep 0.2 key F5 sleep 0.2 key F5 sleep 0.2 key F5 sleep 0.2 key F5");
    EXPECT_TRUE(live.WaitFor("init\n", 5, static_cast<int>(starts) + 5)) << live.Output();
    usleep(400000);
    EXPECT_EQ(Count(live.Output(), "init\n"), starts + 5);
    live.Stop();
}
