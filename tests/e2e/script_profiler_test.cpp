// The "profiler" module end to end: its log file's records, names, levels and times, os.exit,
// appending, and calls that find no running profiler.

#include "support/run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

static const char* kHeader =
    "stack_level\tfile_defined\tfunction_name\tline_defined\tcurrent_line\tlocal_time\ttotal_time";

struct Record {
    int level = 0;
    std::string file, name;
    int line_defined = 0, current_line = 0;
    double local = 0, total = 0;
};

static std::vector<std::string> ReadLines(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

static Record Parse(const std::string& line)
{
    std::istringstream in(line);
    Record r;
    std::string field;
    std::getline(in, field, '\t');
    r.level = std::stoi(field);
    std::getline(in, r.file, '\t');
    std::getline(in, r.name, '\t');
    in >> r.line_defined >> r.current_line >> r.local >> r.total;
    return r;
}

// The records of `path` whose function is named `name`.
static std::vector<Record> Named(const std::string& path, const std::string& name)
{
    std::vector<Record> found;
    for (const std::string& line : ReadLines(path))
        if (line != kHeader && Parse(line).name == name)
            found.push_back(Parse(line));
    return found;
}

TEST(ScriptProfiler, NestedCallsGiveLevelsAndOwnTimes)
{
    ScriptDir dir;
    dir.Write("res/main.lua", R"(profiler.start("run.log")
sum = 0

function h() for i = 1, 4e6 do sum = sum + i end end
function g() h() end
function f() g() print("in f") end
f()
profiler.stop()
)");
    RunResult r = RunDemohost(dir);
    EXPECT_EQ(r.out, "in f\nError: attempt to call a nil value\n");
    std::string log = dir.Path() + "/run.log";
    std::vector<std::string> lines = ReadLines(log);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], kHeader);
    Record init = Parse(lines[1]);
    EXPECT_EQ(init.name, "profiler_init");
    EXPECT_EQ(init.file, "(C)");
    EXPECT_EQ(init.level, 0);

    auto h = Named(log, "h"), g = Named(log, "g"), f = Named(log, "f"), print = Named(log, "print");
    ASSERT_EQ(h.size(), 1u);
    ASSERT_EQ(g.size(), 1u);
    ASSERT_EQ(f.size(), 1u);
    ASSERT_EQ(print.size(), 1u);
    EXPECT_EQ(h[0].level, 2);
    EXPECT_EQ(g[0].level, 1);
    EXPECT_EQ(f[0].level, 0);
    EXPECT_EQ(f[0].file, "@res/main.lua");
    EXPECT_EQ(f[0].line_defined, 6);
    EXPECT_EQ(f[0].current_line, 7);
    EXPECT_GE(h[0].local, 0.01);
    EXPECT_LT(f[0].local, h[0].local / 2);
    EXPECT_GE(f[0].total, h[0].total);
    EXPECT_GE(g[0].total, h[0].total);
    EXPECT_EQ(print[0].file, "=[C]");
    EXPECT_EQ(print[0].line_defined, -1);
    EXPECT_EQ(print[0].current_line, 6);
    EXPECT_EQ(print[0].level, 1);
}

TEST(ScriptProfiler, UnnamedFunctionsAndTailCalls)
{
    ScriptDir dir;
    dir.Write("res/main.lua", R"(profiler.start("run.log")
local unnamed = {}

(select(1, print))("top")
function draw() (select(1, print))("draw") end
unnamed[1] = function()
    return 1
end
draw()
select(1, unnamed[1])()
function target() return 2 end
function caller() return target() end
caller()
function after() end
after()
profiler.stop()
function initialize() end
)");
    RunResult r = RunDemohost(dir);
    EXPECT_EQ(r.out, "top\ndraw\n");
    std::string log = dir.Path() + "/run.log";
    EXPECT_EQ(Named(log, "called from top level").size(), 1u);
    EXPECT_EQ(Named(log, "called from draw").size(), 1u);
    auto unnamed = Named(log, "@res/main.lua:6");
    ASSERT_EQ(unnamed.size(), 1u);
    EXPECT_EQ(unnamed[0].current_line, 10);
    // The tail call's two return events close both frames, so what follows is outermost again.
    auto after = Named(log, "after");
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].level, 0);
}

TEST(ScriptProfiler, ExitWritesOpenFramesAndKeepsTheScriptsStatus)
{
    ScriptDir dir;
    dir.Write("res/main.lua", R"(profiler.start("run.log")
profiler.start("second.log")
function inner() os.exit(3) end
function outer() inner() end
outer()
)");
    RunResult r = RunDemohost(dir);
    EXPECT_EQ(r.exit_code, 3);
    std::string log = dir.Path() + "/second.log";
    auto inner = Named(log, "inner"), outer = Named(log, "outer");
    ASSERT_EQ(inner.size(), 1u);
    ASSERT_EQ(outer.size(), 1u);
    EXPECT_EQ(inner[0].level, 1);
    EXPECT_EQ(outer[0].level, 0);
    // The first run's file was finished when the second started.
    std::vector<std::string> first = ReadLines(dir.Path() + "/run.log");
    ASSERT_GE(first.size(), 2u);
    EXPECT_EQ(first[0], kHeader);
}

TEST(ScriptProfiler, StartAppendsAndBadPathsRaiseTheError)
{
    ScriptDir dir;
    dir.Write("run.log", "earlier run\n");
    dir.Write("res/main.lua", R"(
print(profiler.start("run.log"))
print(profiler.stop(), profiler.stop())
profiler.pause() profiler.resume()
print(pcall(profiler.start, "/nonexistent-dir/x.log"))
print(profiler.stop())
profiler.start("odd %d %n %s %s %%.log")
profiler.stop()
profiler.start()
profiler.stop()
function initialize() end
)");
    RunResult r = RunDemohost(dir);
    EXPECT_EQ(r.out,
              "true\n"
              "true\tfalse\n"
              "false\tScriptProfiler error: output file could not be opened!\n"
              "false\n");
    std::vector<std::string> lines = ReadLines(dir.Path() + "/run.log");
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "earlier run");
    EXPECT_EQ(lines[1], kHeader);

    int odd = 0, default_named = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        std::string name = entry.path().filename().string();
        odd += name.rfind("odd %d %n ", 0) == 0 && name.size() > 16 &&
               name.substr(name.size() - 9) == " %s %.log";
        default_named += name.rfind("scriptprof_", 0) == 0 && name.size() > 15 &&
                         name.substr(name.size() - 4) == ".out";
    }
    EXPECT_EQ(odd, 1);
    EXPECT_EQ(default_named, 1);
}

TEST(ScriptProfiler, FramesThatErrorsUnwindAreEnded)
{
    ScriptDir dir;
    dir.Write("res/main.lua", R"(profiler.start("run.log")
function failing() error("x") end
for i = 1, 200 do pcall(failing) end
function after() end
after()
profiler.stop()
)");
    RunDemohost(dir);
    std::string log = dir.Path() + "/run.log";
    auto failing = Named(log, "@res/main.lua:2"), after = Named(log, "after");
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].level, 0);
    // Each failing call ends when pcall returns: one level inside it, every time.
    ASSERT_GE(failing.size(), 200u);
    EXPECT_EQ(failing.back().level, 1);
    EXPECT_EQ(Named(log, "pcall").back().level, 0);
}

TEST(ScriptProfiler, PausedTimeIsNotCountedAndTimesHaveMicroseconds)
{
    ScriptDir dir;
    dir.Write("res/main.lua", R"(profiler.start("run.log")
function spin(n) local x = 0 for i = 1, n do x = x + i end return x end
function work()
    spin(2000000)
    profiler.pause()
    spin(4000000)
    profiler.resume()
end
work()
function small() local x = 0 for i = 1, 2000 do x = x + i end return x end
for i = 1, 100 do small() end
profiler.stop()
)");
    RunDemohost(dir);
    std::string log = dir.Path() + "/run.log";
    // The spin before the pause is all the time work counts; the one during it counts nothing.
    auto work = Named(log, "work"), spin = Named(log, "spin");
    ASSERT_EQ(work.size(), 1u);
    ASSERT_EQ(spin.size(), 2u);
    EXPECT_GT(work[0].total, spin[0].total * 0.9);
    EXPECT_LT(work[0].total, spin[0].total * 1.3);
    EXPECT_LT(spin[1].total, spin[0].total * 0.1);
    EXPECT_LT(work[0].local, work[0].total + 1e-6);
    auto small = Named(log, "small");
    ASSERT_EQ(small.size(), 100u);
    int timed = 0;
    for (const Record& r : small)
        timed += r.total > 0 && r.total < 0.001;
    EXPECT_GE(timed, 90);
}

TEST(ScriptProfiler, RecordsAreSevenFieldsAndStringChunksAreNamedShort)
{
    ScriptDir dir;
    dir.Write("res/main.lua", R"(profiler.start("run.log")
local big = "return function() end --" .. string.rep("x", 100000)
local f = loadstring(big)()
for i = 1, 1000 do f() end
local g = loadstring("return function() end", "@odd\tname\rwith\ncontrols")()
g()
profiler.stop()
)");
    RunDemohost(dir);
    std::string log = dir.Path() + "/run.log";
    EXPECT_LT(std::filesystem::file_size(log), 200000u);
    std::vector<std::string> lines = ReadLines(log);
    ASSERT_GT(lines.size(), 1000u);
    for (const std::string& line : lines)
        ASSERT_EQ(std::count(line.begin(), line.end(), '\t'), 6) << line;
    auto f = Named(log, "f");
    ASSERT_EQ(f.size(), 1000u);
    EXPECT_EQ(f[0].file.rfind("[string \"return function() end", 0), 0u) << f[0].file;
    EXPECT_EQ(Named(log, "g")[0].file, "@odd name with controls");
}

TEST(ScriptProfiler, LongPathsExitStatusesAndTheRegistryAreSafe)
{
    ScriptDir dir;
    std::string folder(200, 'd'), name(100, 'n');
    std::filesystem::create_directory(dir.Path() + "/" + folder);
    // The state's registry entries replaced by another userdata: nothing the hook reads.
    dir.Write("res/main.lua", R"(local original = os.exit
profiler.start(")" + folder + "/" + name + R"(.log")
for k, v in pairs(debug.getregistry()) do
    if type(k) == "userdata" and type(v) == "userdata" then debug.getregistry()[k] = io.stdout end
end
function work() end
work()
profiler.stop()
print(os.exit == original)
profiler.start("run.log")
os.exit(7)
)");
    RunResult r = RunDemohost(dir);
    EXPECT_EQ(r.exit_code, 7);
    EXPECT_EQ(r.out, "true\n");
    std::string log = dir.Path() + "/" + folder + "/" + name + ".log";
    ASSERT_EQ(Named(log, "work").size(), 1u);
}

TEST(ScriptProfiler, AnExitTheScriptReplacedIsCalledAndItsResultsReturned)
{
    ScriptDir dir;
    dir.Write("res/main.lua", R"(os.exit = function(code) print("asked", code) return "stayed" end
profiler.start("run.log")
print(os.exit(5))
print(profiler.stop())
function initialize() OpenWindow(64, 48, "t") end
function update() print("frame") Quit() end
)");
    RunResult r = RunDemohost(dir);
    EXPECT_EQ(r.out, "asked\t5\nstayed\ntrue\nframe\n");
    EXPECT_EQ(r.exit_code, 0);
}
