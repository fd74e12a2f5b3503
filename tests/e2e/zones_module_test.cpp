// The "zones" module opened from the program's export table: fields, damping, the hook's zone
// names, start and stop, and its reports.

#include "support/run.h"

#include "profile/script_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <vector>

TEST(ZonesModule, OpensFromTheProgramAndTimesNamedFunctions)
{
    ScriptDir dir;
    dir.Write("res/main.lua", R"(local zones = package.loadlib("", "luaopen_ZoneLua")()
print(zones == _G.zones, zones._NAME, zones._VERSION)
print(string.format("%.10f", zones.damping()))
zones.damping(0.5)
print(zones.damping(), zones.is_running())
zones.start()
zones.start()
print(zones.is_running())

function step()
    print("step")
end
step()
zones.stop()
print(zones.is_running())
zones.update()
local tree = zones.tree_string()
print(tree:find("@res/main.lua(10):step", 1, true) ~= nil, tree:find("    C:print", 1, true) ~= nil)
print(#zones.flat_string() % 80)
zones.output("zones.txt")
zones.output()
function initialize() end
)");
    RunResult r = RunDemohost(dir);
    std::istringstream out(r.out);
    std::string line;
    for (const char* expected : {"true\tZone Profiler\t1.0", "0.8999999762", "0.5\tfalse", "true",
                                 "step", "false", "true\ttrue", "79"}) {
        std::getline(out, line);
        EXPECT_EQ(line, expected);
    }
    std::getline(out, line);
    EXPECT_EQ(line.substr(0, 11), "sorted list");
    EXPECT_NE(r.out.find("\ncall tree "), std::string::npos);

    std::stringstream file;
    file << std::ifstream(dir.Path() + "/zones.txt").rdbuf();
    EXPECT_EQ(file.str().substr(0, 11), "sorted list");
    EXPECT_NE(file.str().find("@res/main.lua(10):step"), std::string::npos);
}

TEST(ZonesModule, ArgumentsAreCheckedLikeTheScriptLibraryDoes)
{
    ScriptDir dir;
    dir.Write("res/main.lua", R"(local zones = package.loadlib("", "luaopen_ZoneLua")()
print(pcall(zones.damping, "fast"))
print(pcall(zones.output, {}))
print(zones.tree_string())
function initialize() end
)");
    RunResult r = RunDemohost(dir);
    EXPECT_NE(r.out.find("false\tbad argument #1 to '?' (number expected, got string)"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("false\tbad argument #1 to '?' (string expected, got table)"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("!!! Profile data must first be updated !!!"), std::string::npos);
}

// The tree's lines that name `zone` (from the start of the name), with their indentation.
static std::vector<std::string> TreeLines(const std::string& out, const std::string& zone)
{
    std::vector<std::string> found;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        size_t name = line.find_first_not_of(' ');
        if (name != std::string::npos && line.compare(name, zone.size(), zone) == 0)
            found.push_back(line);
    }
    return found;
}

TEST(ZonesModule, ErrorsAndTailCallsLeaveTheTreeAsTheStackWas)
{
    // Every frame: 200 caught errors and tail calls, then an error that escapes update from inside
    // a timed function. The program's own zones stay directly under the root.
    ScriptDir dir;
    dir.Write("res/main.lua", R"(local zones = package.loadlib("", "luaopen_ZoneLua")()
function initialize() OpenWindow(64, 64, "t") zones.start() end
local frame = 0
function failing() error("x") end
function tail() return step() end
function step() return 1 end
function timed() local t = nil return t.x end
function update()
    frame = frame + 1
    for i = 1, 200 do pcall(failing) tail() end
    if frame == 60 then zones.update() print(zones.tree_string()) Quit() return end
    timed()
end
)");
    RunResult r = RunDemohost(dir);
    size_t tree = r.out.find("call tree");
    ASSERT_NE(tree, std::string::npos) << r.out.substr(0, 500);
    std::string text = r.out.substr(tree);
    EXPECT_LT(std::count(text.begin(), text.end(), '\n'), 20) << text;
    ASSERT_EQ(TreeLines(text, "SwapBuffers").size(), 1u) << text;
    EXPECT_EQ(TreeLines(text, "SwapBuffers")[0].rfind("  SwapBuffers", 0), 0u) << text;
    EXPECT_EQ(TreeLines(text, "LuaUpdate")[0].rfind("  LuaUpdate", 0), 0u) << text;
    // A function reached only by a tail call is timed inside the one it replaced; LuaJIT reports
    // such a call under the replaced call's name, so it has no zone there.
    std::vector<std::string> step = TreeLines(text, "@res/main.lua(6):step");
    if (kTailCallsKeepTheirLevel) {
        EXPECT_TRUE(step.empty()) << text;
    } else {
        ASSERT_EQ(step.size(), 1u) << text;
        EXPECT_EQ(step[0].rfind("      @res", 0), 0u) << text;
    }
    EXPECT_NE(TreeLines(text, "C:error")[0].find(" 12000.0 "), std::string::npos) << text;
}

TEST(ZonesModule, StartAndStopInsideFunctionsKeepTheProgramsZonesInPlace)
{
    ScriptDir dir;
    dir.Write("res/main.lua", R"(local zones = package.loadlib("", "luaopen_ZoneLua")()
function initialize() OpenWindow(64, 64, "t") end
function begin() zones.start() end
function finish() zones.stop() end
function work() end
local frame = 0
function update()
    frame = frame + 1
    if frame == 1 or frame == 6 then begin() end
    work()
    if frame == 4 then finish() end
    if frame == 9 then zones.update() print(zones.tree_string()) Quit() end
end
)");
    RunResult r = RunDemohost(dir);
    ASSERT_NE(r.out.find("call tree"), std::string::npos) << r.out;
    for (const char* zone : {"LuaUpdate", "SwapBuffers"}) {
        std::vector<std::string> lines = TreeLines(r.out, zone);
        ASSERT_EQ(lines.size(), 1u) << r.out;
        EXPECT_EQ(lines[0].find(zone), 2u) << r.out;
    }
    EXPECT_EQ(TreeLines(r.out, "@res/main.lua(5):work")[0].find("@"), 4u) << r.out;
}

TEST(ZonesModule, ANewFunctionNeverTakesACollectedOnesName)
{
    // Each round's alpha is collected before beta is made, often at the same address.
    ScriptDir dir;
    dir.Write("res/main.lua", R"(local zones = package.loadlib("", "luaopen_ZoneLua")()
zones.start()
for round = 1, 50 do
    local alpha = loadstring("return function() end", "=alpha")()
    alpha()
    alpha = nil
    collectgarbage("collect")
    local beta = loadstring("return function() end", "=beta")()
    for i = 1, 20 do beta() end
end
zones.stop()
zones.update()
print(zones.tree_string())
function initialize() end
)");
    RunResult r = RunDemohost(dir);
    std::vector<std::string> alpha = TreeLines(r.out, "=alpha(1):alpha");
    std::vector<std::string> beta = TreeLines(r.out, "=beta(1):beta");
    // Every function value is a zone of its own: an alpha called once, a beta called 20 times.
    ASSERT_EQ(alpha.size(), 50u) << r.out;
    ASSERT_EQ(beta.size(), 50u) << r.out;
    for (const std::string& line : alpha)
        EXPECT_NE(line.find(" 1.0 "), std::string::npos) << r.out;
    for (const std::string& line : beta)
        EXPECT_NE(line.find(" 20.0 "), std::string::npos) << r.out;
}

TEST(ZonesModule, ClosuresOfOneCodeAreTwoZonesAndStringChunksGoByTheirShortName)
{
    ScriptDir dir;
    dir.Write("res/main.lua", R"(local zones = package.loadlib("", "luaopen_ZoneLua")()
local function make() return function() end end
local handlers = {make(), make()}
local chunk = loadstring("local x = 1\n-- a second line\nfunction chunky() return x end\n" ..
                         string.rep("-- padding\n", 1000))
chunk()
zones.start()
for i = 1, 3 do local h = handlers[1] h() end
for i = 1, 5 do local h = handlers[2] h() end
for i = 1, 7 do chunky() end
zones.stop()
zones.update()
print(zones.tree_string())
function initialize() end
)");
    RunResult r = RunDemohost(dir);
    std::vector<std::string> closures = TreeLines(r.out, "@res/main.lua(2):h");
    ASSERT_EQ(closures.size(), 2u) << r.out;
    EXPECT_NE(closures[0].find(" 3.0 "), std::string::npos) << r.out;
    EXPECT_NE(closures[1].find(" 5.0 "), std::string::npos) << r.out;
    std::vector<std::string> chunky = TreeLines(r.out, "[string \"local x = 1...\"](3):chunky");
    ASSERT_EQ(chunky.size(), 1u) << r.out;
    EXPECT_NE(chunky[0].find(" 7.0 "), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("a second line"), std::string::npos) << r.out;
    EXPECT_LT(r.out.size(), 5000u);
}

TEST(ZonesModule, OneDebugHookAtATimeSaidInALineAndTheScriptGoesOn)
{
    ScriptDir dir;
    dir.Write("res/main.lua", R"(local zones = package.loadlib("", "luaopen_ZoneLua")()
function initialize()
    zones.start()
    print(profiler.start("run.log"))
    print(zones.is_running())
    debug.sethook()
    print(zones.is_running())
    zones.stop()
    print(profiler.start("run.log"))
    zones.start()
    print(zones.is_running())
    recorded()
    print(profiler.stop())
    OpenWindow(64, 48, "t")
end
function recorded() end
function update() print("frame") Quit() end
)");
    RunResult r = RunDemohost(dir);
    EXPECT_EQ(r.out,
              "ScriptProfiler error: another debug hook (the zones profiler's?) is running; not "
              "started\nfalse\ntrue\nfalse\ntrue\nzones.start: another debug hook (the script "
              "profiler's?) is running; not started\nfalse\ntrue\nframe\n");
    EXPECT_EQ(r.exit_code, 0);
    std::stringstream log;
    log << std::ifstream(dir.Path() + "/run.log").rdbuf();
    EXPECT_NE(log.str().find("\trecorded\t"), std::string::npos) << log.str();
}
