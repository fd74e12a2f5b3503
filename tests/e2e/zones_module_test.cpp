// The "zones" module opened from the program's export table: fields, damping, the hook's zone
// names, start and stop, and its reports.

#include "support/run.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

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
