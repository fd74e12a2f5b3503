// The bundled demo for 300 frames, and every Lua sample of the README, run by the real program.

#include "support/run.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

// Runs res/target.lua as the script, ending it after `frames` frames. Samples that need no
// initialize get an empty one.
static const char* kRunner = R"(
dofile("res/target.lua")
initialize = initialize or function() end
local script_update, frames = update, 0
function update(time, dt)
    if script_update then script_update(time, dt) end
    frames = frames + 1
    if frames == %d then print("frames " .. frames) Quit() end
end
)";

static std::string Runner(int frames)
{
    char text[512];
    snprintf(text, sizeof text, kRunner, frames);
    return text;
}

TEST(Demo, RunsThreeHundredFramesWithoutErrors)
{
    ScriptDir dir;
    dir.CopyRepositoryRes();
    std::stringstream demo;
    demo << std::ifstream(std::string(DEMOHOST_SOURCE_DIR) + "/res/main.lua").rdbuf();
    dir.Write("res/target.lua", demo.str());
    dir.Write("res/main.lua", Runner(300));
    RunResult r = RunDemohost(dir, {}, 120);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_NE(r.out.find("Now playing: demohost synths - Four Chords\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("frames 300\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Error"), std::string::npos) << r.out;
}

// The ```lua blocks of the README, in order.
static std::vector<std::string> ReadmeSamples()
{
    std::ifstream readme(std::string(DEMOHOST_SOURCE_DIR) + "/README.md");
    std::vector<std::string> samples;
    std::string line, sample;
    bool inside = false;
    while (std::getline(readme, line)) {
        if (!inside && line == "```lua") {
            inside = true;
            sample.clear();
        } else if (inside && line == "```") {
            inside = false;
            samples.push_back(sample);
        } else if (inside) {
            sample += line + "\n";
        }
    }
    return samples;
}

TEST(Readme, EveryLuaSampleRuns)
{
    std::vector<std::string> samples = ReadmeSamples();
    ASSERT_GE(samples.size(), 4u);
    for (const std::string& sample : samples) {
        ScriptDir dir;
        dir.CopyRepositoryRes();
        dir.Write("res/target.lua", sample);
        dir.Write("res/main.lua", Runner(5));
        RunResult r = RunDemohost(dir, {}, 60);
        EXPECT_EQ(r.exit_code, 0) << sample;
        EXPECT_EQ(r.out.find("Error"), std::string::npos) << sample << "\n" << r.out;
    }
}
