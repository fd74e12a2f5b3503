// The script engine: LuaJIT's own libraries where it is the engine, and its compiler off while
// either profiler's hook is set (compiled code runs no hooks), on again when the hook ends.

#include "support/run.h"

#include <gtest/gtest.h>

TEST(Engine, LuaJitLibrariesAndTheCompilerOffWhileAProfilerRuns)
{
    ScriptDir dir;
    dir.Write("res/main.lua", R"(
        local zones = package.loadlib("", "luaopen_ZoneLua")()
        function initialize() end
        if not jit then
            print("lua 5.1", type(bit), package.preload.ffi)
            return
        end
        print(jit.version:match("^LuaJIT") ~= nil, (jit.status()), bit.band(6, 3),
              type(require("ffi").new))
        zones.start() print("zones", (jit.status())) zones.stop() print("after", (jit.status()))
        profiler.start("run.log") print("profiler", (jit.status()))
        profiler.stop() print("after", (jit.status()))
    )");
    RunResult r = RunDemohost(dir);
    EXPECT_EQ(r.exit_code, 0);
#ifdef DEMOHOST_LUAJIT
    EXPECT_EQ(r.out, "true\ttrue\t2\tfunction\nzones\tfalse\nafter\ttrue\n"
                     "profiler\tfalse\nafter\ttrue\n");
#else
    EXPECT_EQ(r.out, "lua 5.1\tnil\tnil\n");
#endif
}
