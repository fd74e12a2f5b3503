// demohost-live's transport keys, pressed with xdotool: F6 pauses and resumes, F8 jumps ahead.

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

// The update times and the largest sync seen in `out` from `from` on.
struct Seen {
    std::vector<double> updates;
    int syncs = 0;
    double last_sync = 0;
};

static Seen Read(const std::string& out, size_t from)
{
    Seen seen;
    std::istringstream in(out.substr(from));
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("update ", 0) == 0)
            seen.updates.push_back(std::stod(line.substr(7)));
        if (line.rfind("sync ", 0) == 0) {
            seen.syncs++;
            seen.last_sync = std::max(seen.last_sync, std::stod(line.substr(5)));
        }
    }
    return seen;
}

TEST(LiveKeys, F6HoldsTimeAndMusicAndF8JumpsASecond)
{
    ScriptDir dir;
    fs::copy_file(WriteSine("keys_track.wav", 20.0, 440, 0.3),
                  fs::path(dir.Path()) / "res" / "track.wav");
    dir.Write("res/main.lua", R"(
        function initialize()
            OpenWindow(160, 120, "live-keys")
            local syncs = {}
            for i = 1, 39 do syncs[#syncs + 1] = i * 0.5 syncs[#syncs + 1] = tostring(i * 0.5) end
            PlayMusicWithSync("res/track.wav", syncs)
        end
        function update(time) print("update " .. time) end
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

    // A second forward: the points passed come at once, two further than before.
    size_t before = live.Output().size();
    double reached = Read(live.Output(), 0).last_sync;
    Press("F8");
    usleep(200000);
    Seen jumped = Read(live.Output(), before);
    EXPECT_GE(jumped.last_sync, reached + 1.0) << live.Output().substr(before);
    EXPECT_LE(jumped.last_sync, reached + 2.0) << live.Output().substr(before);
    ASSERT_FALSE(jumped.updates.empty());
    EXPECT_GE(jumped.updates.back(), going.updates.back() + 1.0);
}
