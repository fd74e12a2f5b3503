// The "demohost" module's keys and wheel, driven by xdotool on the test display.

#include "support/run.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

// The frames of the output lines that start with `what`.
static std::vector<int> Frames(const std::string& out, const std::string& what)
{
    std::vector<int> frames;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(what + " ", 0) == 0)
            frames.push_back(std::stoi(line.substr(line.rfind(' ') + 1)));
    return frames;
}

TEST(HostModuleKeys, NamedKeysPressesReleasesAndTheWheel)
{
    ScriptDir dir;
    dir.Write("res/main.lua", R"(
        local host = require "demohost"
        local frame = 0
        function initialize()
            OpenWindow(320, 240, "module-keys")
            print(pcall(function() local held = host.key("escpe") return held end))
            print(host.key("escape"), host.key("f12"), host.key("shift"), host.key("/"))
        end
        function update()
            frame = frame + 1
            if host.pressed("escape") then print("escape pressed " .. frame) end
            if host.key("left") then print("left held " .. frame) end
            if host.released("left") then print("left released " .. frame) end
            local dx, dy = host.wheel()
            if dy ~= 0 then print("wheel " .. dy .. " " .. frame) end
            if frame == 3 then print("ready") end
        end
    )");
    BackgroundRun run(DEMOHOST_PATH, dir, {});
    ASSERT_TRUE(run.WaitFor("ready", 10)) << run.Output();
    ASSERT_EQ(system("xdotool search --sync --name '^module-keys$' mousemove --window %1 20 20 "
                     "key Escape sleep 0.2 keydown Left sleep 0.4 keyup Left sleep 0.2 click 4 "
                     "sleep 0.3"),
              0);
    run.Stop();
    std::string out = run.Output();
    EXPECT_NE(out.find("false\tres/main.lua:6: bad argument #1 to 'key' (unknown key name "
                       "'escpe')\nfalse\tfalse\tfalse\tfalse\n"),
              std::string::npos)
        << out;
    EXPECT_EQ(Frames(out, "escape pressed").size(), 1u) << out;
    std::vector<int> held = Frames(out, "left held"), released = Frames(out, "left released");
    ASSERT_GT(held.size(), 5u) << out;
    // Held in every frame from the press to the release, released once, after the last held.
    EXPECT_EQ(held.back() - held.front() + 1, static_cast<int>(held.size()));
    ASSERT_EQ(released.size(), 1u) << out;
    EXPECT_EQ(released[0], held.back() + 1);
    std::vector<int> wheel = Frames(out, "wheel");
    ASSERT_EQ(wheel.size(), 1u) << out;
    EXPECT_NE(out.find("wheel 1 "), std::string::npos) << out;
}
