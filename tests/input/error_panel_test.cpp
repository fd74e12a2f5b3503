// demohost-live's problems panel on the screen: it comes with an error in update and goes a
// second after the error stops; a failed load and a shader that does not compile stand until a
// good reload; the terminal tells the error once with its traceback, then its count.

#include "support/run.h"
#include "support/screen.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>

// Lit pixels of the window (at the screen's top left, 640 x 480) below its status line.
static int PanelPixels()
{
    return ScreenPixelsNotBlack(0, 60, 640, 420);
}

// Waits up to `seconds` for the panel to be up (or, with `up` false, gone).
static bool PanelBecomes(bool up, double seconds)
{
    for (int i = 0; i < seconds * 20; i++) {
        if ((PanelPixels() > 5000) == up)
            return true;
        usleep(50000);
    }
    return false;
}

static const char* kScript = R"(
    local function step() if io.open("fail") then error("boom") end end
    function initialize() OpenWindow(640, 480, "panel") LOADS print("ready") end
    function update() step() end
)";

static std::string Script(const std::string& loads)
{
    std::string text = kScript;
    text.replace(text.find("LOADS"), 5, loads);
    return text;
}

TEST(ErrorPanel, AnErrorShowsUntilItStopsAndLoadsUntilAGoodReload)
{
    ScriptDir dir;
    dir.Write("res/main.lua", Script(""));
    BackgroundRun live(LIVE_PATH, dir, {});
    ASSERT_TRUE(live.WaitFor("ready", 10)) << live.Output();
    usleep(300000);
    EXPECT_LT(PanelPixels(), 100);

    dir.Write("fail", "");
    ASSERT_TRUE(PanelBecomes(true, 5)) << live.Output();
    // Dark, so that its text reads over any picture.
    Rgba box = ScreenPixel(620, 100);
    EXPECT_LT(box.r, 40);
    EXPECT_GT(box.r, 0);
    ASSERT_TRUE(live.WaitFor(" times)\n", 5)) << live.Output();
    std::remove((dir.Path() + "/fail").c_str());
    EXPECT_TRUE(PanelBecomes(false, 3)) << live.Output();
    std::string out = live.Output();
    EXPECT_EQ(Count(out, "Error: res/main.lua:2: boom\n  res/main.lua:2\n  res/main.lua:4\n"), 1u)
        << out;
    std::vector<std::string> counts = Lines(out, "Error: res/main.lua:2: boom (repeated ");
    ASSERT_FALSE(counts.empty()) << out;
    EXPECT_GT(std::stoi(counts[0]), 10) << out;

    // A load that fails and a shader that does not compile stand; a good reload takes them away.
    dir.Write("res/bad.shader", "[vertex]\nvoid main() { gl_Position = ftransform(); }\n"
                                "[fragment]\nvoid main() { gl_FragColor = nothing; }\n");
    dir.Write("res/main.lua", Script("LoadImage('res/none.png') LoadShader('res/bad.shader')"));
    ASSERT_TRUE(live.WaitFor("ready", 10, 2)) << live.Output();
    ASSERT_TRUE(PanelBecomes(true, 5)) << live.Output();
    usleep(1500000);
    EXPECT_GT(PanelPixels(), 5000) << "still up";
    dir.Write("res/main.lua", Script(""));
    ASSERT_TRUE(live.WaitFor("ready", 10, 3)) << live.Output();
    EXPECT_TRUE(PanelBecomes(false, 3)) << live.Output();
    live.Stop();
}

// demohost itself prints every error.
TEST(ErrorPanel, DemohostPrintsEveryError)
{
    ScriptDir dir;
    dir.Write("res/main.lua", R"(
        local frames = 0
        function initialize() OpenWindow(64, 48, "every") end
        function update()
            frames = frames + 1
            if frames > 20 then Quit() end
            error("again")
        end
    )");
    RunResult run = RunDemohost(dir);
    EXPECT_EQ(Count(run.out, "Error: res/main.lua:7: again\n"), 21u) << run.out;
    EXPECT_EQ(Count(run.out, "repeated"), 0u);
}
