// demohost-live end to end: saves while it runs (a new generation, a broken one, a fixed one), a
// start point, and demohost-capture's start point.

#include "support/audio_files.h"
#include "support/run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

// Generation GEN of a script on a 20-second track with points every half second: it prints its
// handles at start, every update's time, and each sync with the number of updates it has seen.
static std::string Generation(const std::string& gen)
{
    return R"(
        local gen, updates = ")" + gen + R"(", 0
        function initialize()
            OpenWindow(160, 120, "live-test")
            local syncs = {}
            for i = 1, 39 do syncs[#syncs + 1] = i * 0.5 syncs[#syncs + 1] = tostring(i * 0.5) end
            PlayMusicWithSync("res/track.wav", syncs)
            print(gen .. " init " .. LoadFont("res/font/mono-20.fnt", "res/font/") .. " " ..
                  MakeRenderTarget(16, 16, 1))
        end
        function update(time) updates = updates + 1 print(gen .. " update " .. time) end
        function MusicSync(name) print(gen .. " sync " .. name .. " " .. updates) end
    )";
}

class Live : public testing::Test {
protected:
    void SetUp() override
    {
        fs::copy_file(WriteSine("track.wav", 20.0, 440, 0.3),
                      fs::path(dir.Path()) / "res" / "track.wav");
    }
    ScriptDir dir;
};

TEST_F(Live, ThreeSavesKeepTheMusicAndTheTimeAndABrokenOneChangesNothing)
{
    dir.Write("res/main.lua", Generation("A"));
    BackgroundRun live(LIVE_PATH, dir, {});
    ASSERT_TRUE(live.WaitFor("A sync 1.5 ", 10)) << live.Output();
    dir.Write("res/main.lua", Generation("B"));
    ASSERT_TRUE(live.WaitFor("B sync 3 ", 10)) << live.Output();
    // Saved by writing a new file and renaming it over the old one, as many editors do.
    dir.Write("res/broken.tmp", "function initialize( end");
    fs::rename(dir.Path() + "/res/broken.tmp", dir.Path() + "/res/main.lua");
    ASSERT_TRUE(live.WaitFor("Error: ", 5)) << live.Output();
    ASSERT_TRUE(live.WaitFor("B sync 4 ", 10)) << live.Output();
    dir.Write("res/main.lua", Generation("C"));
    ASSERT_TRUE(live.WaitFor("C sync 5 ", 10)) << live.Output();
    live.Stop();
    std::string out = live.Output();

    // Every generation starts with handle 1 for its first font and target.
    EXPECT_EQ(Lines(out, "A init "), std::vector<std::string>{"1 1"});
    EXPECT_EQ(Lines(out, "B init "), std::vector<std::string>{"1 1"});
    EXPECT_EQ(Lines(out, "C init "), std::vector<std::string>{"1 1"});
    // The broken save is reported once, and B ran on until C.
    EXPECT_EQ(Lines(out, "Error: ").size(), 1u) << out;
    // B's first points are those A had passed, in order, delivered before its first update; then
    // every point once, in order, at its time: the track was not restarted.
    for (const char* gen : {"B", "C"}) {
        std::vector<std::string> syncs = Lines(out, std::string(gen) + " sync ");
        ASSERT_GE(syncs.size(), 6u) << out;
        EXPECT_EQ(syncs[0], "0.5 0") << gen << out;
        EXPECT_EQ(syncs[1], "1 0") << gen << out;
        for (size_t i = 0; i < syncs.size(); i++) {
            std::ostringstream name;
            name << (i + 1) * 0.5;
            EXPECT_EQ(syncs[i].substr(0, syncs[i].find(' ')), name.str()) << gen << out;
        }
    }
    // The frame time never goes back, across the generations.
    double last = -1;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        size_t at = line.find(" update ");
        if (at == std::string::npos)
            continue;
        double time = std::stod(line.substr(at + 8));
        EXPECT_GE(time, last) << line;
        last = time;
    }
}

TEST_F(Live, AStartPointDeliversThePointsBeforeItInTheFirstFrame)
{
    dir.Write("res/main.lua", Generation("A"));
    BackgroundRun live(LIVE_PATH, dir, {"--at", "10"});
    ASSERT_TRUE(live.WaitFor("A sync 10.5 ", 10)) << live.Output();
    live.Stop();
    std::string out = live.Output();
    std::vector<std::string> updates = Lines(out, "A update ");
    ASSERT_FALSE(updates.empty());
    EXPECT_EQ(updates[0], "10");
    std::vector<std::string> syncs = Lines(out, "A sync ");
    ASSERT_GE(syncs.size(), 21u) << out;
    for (int i = 0; i < 20; i++) {
        std::ostringstream expected;
        expected << (i + 1) * 0.5 << " 1";
        EXPECT_EQ(syncs[i], expected.str()) << out;
    }
    // The next point comes at its time, some frames later.
    EXPECT_EQ(syncs[20].substr(0, 5), "10.5 ");
    EXPECT_GT(std::stoi(syncs[20].substr(5)), 10);
}
