// The program end to end: arguments, script errors, the frame loop's end, the module path.

#include "support/run.h"

#include <gtest/gtest.h>

#include <csignal>

TEST(Host, ArgumentsReachInitializeInOrder)
{
    ScriptDir dir;
    dir.Write("res/main.lua", R"(
        function initialize(args)
            print(#args, args[1], args[2])
        end)");
    RunResult with_args = RunDemohost(dir, {"a", "b c"});
    EXPECT_EQ(with_args.out, "2\ta\tb c\n");
    EXPECT_EQ(with_args.exit_code, 0);

    RunResult without = RunDemohost(dir);
    EXPECT_EQ(without.out, "0\tnil\tnil\n");
}

TEST(Host, MissingOrBrokenMainScriptIsReportedWithTheReadersMessage)
{
    ScriptDir missing;
    RunResult a = RunDemohost(missing);
    EXPECT_EQ(a.out, "Could not open main script\n"
                     "Error: cannot open res/main.lua: No such file or directory\n"
                     "Error: attempt to call a nil value\n");
    EXPECT_EQ(a.exit_code, 0);

    ScriptDir broken;
    broken.Write("res/main.lua", "function initialize( print('x') end");
    RunResult b = RunDemohost(broken);
    EXPECT_EQ(b.out, "Could not open main script\n"
                     "Error: res/main.lua:1: ')' expected near '('\n"
                     "Error: attempt to call a nil value\n");
    EXPECT_EQ(b.exit_code, 0);
}

TEST(Host, ErrorsWithoutTextAreNamedByType)
{
    ScriptDir dir;
    dir.Write("res/main.lua", R"(
        function initialize() error(nil) end
        error({}))");
    RunResult r = RunDemohost(dir);
    EXPECT_EQ(r.out,
              "Error: (error object is a table value)\n"
              "Error: (error object is a nil value)\n");
}

TEST(Host, ScriptWithoutWindowRunsNoFrame)
{
    ScriptDir dir;
    dir.Write("res/main.lua", R"(
        print("top")
        function initialize() print("init") end
        function update() print("frame") end)");
    RunResult r = RunDemohost(dir);
    EXPECT_EQ(r.out, "top\ninit\n");
    EXPECT_EQ(r.exit_code, 0);
}

TEST(Host, MissingUpdateIsReportedEveryFrameUntilQuit)
{
    // update reads as nil for three frames, then becomes Quit itself.
    ScriptDir dir;
    dir.Write("res/main.lua", R"(
        OpenWindow(64, 64, "no update")
        local lookups = 0
        setmetatable(_G, {__index = function(_, name)
            if name == "update" then
                lookups = lookups + 1
                if lookups > 3 then return Quit end
            end
        end})
        function initialize() end)");
    RunResult r = RunDemohost(dir);
    EXPECT_EQ(r.out,
              "Error: attempt to call a nil value\n"
              "Error: attempt to call a nil value\n"
              "Error: attempt to call a nil value\n");
    EXPECT_EQ(r.exit_code, 0);
}

TEST(Host, QuitEndsTheLoopAfterThatFrameAndErrorsDoNotStopIt)
{
    ScriptDir dir;
    dir.Write("res/main.lua", R"(
        local frame = 0
        function initialize() OpenWindow(64, 64, "quit") end
        function update(time, dt)
            frame = frame + 1
            print("frame " .. frame, time > 0, dt >= 0)
            if frame == 3 then Quit() Quit() end
            error("boom")
        end)");
    RunResult r = RunDemohost(dir);
    EXPECT_EQ(r.out,
              "frame 1\ttrue\ttrue\nError: res/main.lua:8: boom\n"
              "frame 2\ttrue\ttrue\nError: res/main.lua:8: boom\n"
              "frame 3\ttrue\ttrue\nError: res/main.lua:8: boom\n");
    EXPECT_EQ(r.exit_code, 0);
}

TEST(Host, RequireSearchesOnlyRes)
{
    ScriptDir dir;
    dir.Write("res/helper.lua", "return { answer = 42 }");
    dir.Write("outside.lua", "return { answer = 1 }");
    dir.Write("res/main.lua", R"(
        print(require("helper").answer)
        print(pcall(require, "outside"))
        function initialize() end)");
    RunResult r = RunDemohost(dir);
    EXPECT_EQ(r.out.substr(0, 3), "42\n");
    EXPECT_NE(r.out.find("false\tmodule 'outside' not found"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("./res/outside.lua"), std::string::npos) << r.out;
}

// Scripts load C modules with require: a module built without Lua finds every Lua function it
// calls in the program (or the interpreter it loads), and its errors unwind to the script's pcall.
TEST(Host, CModulesUseTheProgramsInterpreter)
{
    ScriptDir dir;
    dir.Write("res/main.lua", R"(
        package.cpath = ")" C_MODULE_DIR R"(/?.so"
        local counter = require("counter")
        local c = counter.new(40)
        print(c:add(2), c:describe())
        print(pcall(c.add, {}, 1))
        c = nil
        collectgarbage()
        print(counter.new():add(0.5))
        function initialize() end)");
    RunResult r = RunDemohost(dir);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "42\tcounter at 42\n"
                     "false\tbad argument #1 to '?' (counter expected, got table)\n"
                     "0.5\n")
        << r.out;
}

TEST(Host, OutputIsCompleteWhenTheScriptExits)
{
    ScriptDir dir;
    dir.Write("res/main.lua", R"(
        for i = 1, 2000 do io.write(i, " ") end
        os.exit(0))");
    RunResult r = RunDemohost(dir);
    EXPECT_NE(r.out.find(" 1999 2000 "), std::string::npos);
}

TEST(Host, TerminationSignalEndsTheProgramWhileMusicPlays)
{
    ScriptDir dir;
    dir.Write("res/main.lua", R"(
        function initialize() OpenWindow(64, 64, "forever") print("running") end
        function update() PlayMusic("none.wav") end)");
    RunResult r = RunDemohost(dir, {}, 1.5);
    EXPECT_EQ(r.out.substr(0, r.out.find('\n') + 1), "running\n");
    EXPECT_EQ(r.signal, SIGTERM);
}
