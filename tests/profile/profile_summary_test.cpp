// The script profiler's log summed up: a known log ranked, recursion counted once in the total,
// several runs in one file, and logs cut off or foreign; and demohost-profile on a real log.

#include "support/run.h"

#include "profile/profile_summary.h"

#include <gtest/gtest.h>

static const char kHeader[] =
    "stack_level\tfile_defined\tfunction_name\tline_defined\tcurrent_line\tlocal_time\t"
    "total_time\n";

// update (level 0) calls step twice; step calls itself once, inside the second call; draw is
// called by update once.
static const std::string kLog = std::string(kHeader) +
                                "1\t@res/main.lua\tstep\t3\t9\t0.002000\t0.002000\n"
                                "2\t@res/main.lua\tstep\t3\t4\t0.001000\t0.001000\n"
                                "1\t@res/main.lua\tstep\t3\t9\t0.003000\t0.004000\n"
                                "1\t=[C]\tDrawBox\t-1\t10\t0.000500\t0.000500\n"
                                "0\t@res/main.lua\tupdate\t8\t0\t0.001000\t0.007500\n";

TEST(ProfileSummary, FunctionsAreRankedBySelfTimeAndARecursionCountsOnceInTheTotal)
{
    ProfileSummary summary = SummarizeProfile(kLog);
    ASSERT_FALSE(summary.foreign);
    EXPECT_FALSE(summary.cut_off);
    EXPECT_EQ(summary.calls, 5u);
    EXPECT_NEAR(summary.self_seconds, 0.0075, 1e-12);
    ASSERT_EQ(summary.functions.size(), 3u);
    const FunctionSummary& step = summary.functions[0];
    EXPECT_EQ(step.function_name, "step");
    EXPECT_EQ(step.calls, 3u);
    EXPECT_NEAR(step.self_seconds, 0.006, 1e-12);
    EXPECT_NEAR(step.total_seconds, 0.006, 1e-12) << "the inner call is inside the outer one";
    EXPECT_EQ(summary.functions[1].function_name, "update");
    EXPECT_NEAR(summary.functions[1].total_seconds, 0.0075, 1e-12);
    EXPECT_EQ(summary.functions[2].function_name, "DrawBox");
    EXPECT_EQ(summary.functions[2].line_defined, -1);

    EXPECT_EQ(ProfileReport(summary, "run.log", 2),
              "run.log: 5 calls of 3 functions, 7.500 ms of their own time\n"
              "     calls     self ms    total ms   share  function\n"
              "         3       6.000       6.000   80.0%  step (@res/main.lua:3)\n"
              "         1       1.000       7.500   13.3%  update (@res/main.lua:8)\n");
}

TEST(ProfileSummary, AppendedRunsAddUpAndCutOrForeignLogsAreSaidSo)
{
    // A second run appended to the file: its header starts the callers afresh.
    ProfileSummary twice = SummarizeProfile(kLog + kLog);
    EXPECT_EQ(twice.calls, 10u);
    EXPECT_NEAR(twice.functions[0].total_seconds, 0.012, 1e-12);

    // The last line ends early: the lines before it count.
    ProfileSummary cut = SummarizeProfile(kLog + "1\t@res/main.lua\tst");
    EXPECT_TRUE(cut.cut_off);
    EXPECT_FALSE(cut.foreign);
    EXPECT_EQ(cut.problem_line, 7u);
    EXPECT_EQ(cut.calls, 5u);
    EXPECT_EQ(ProfileReport(cut, "run.log", 1).rfind("run.log is cut off in line 7", 0), 0u);

    for (const std::string& log :
         {std::string(), std::string("hello\n"), std::string("stack_level\tfile"),
          kLog.substr(std::string(kHeader).size()),
          std::string(kHeader) + "1\t@a\tf\t3\t4\tsoon\t0.1\n",
          std::string(kHeader) + "1\t@a\tf\t3\t4\t0.1\n"}) {
        ProfileSummary foreign = SummarizeProfile(log);
        EXPECT_TRUE(foreign.foreign) << log;
        EXPECT_TRUE(foreign.functions.empty());
    }
    EXPECT_EQ(SummarizeProfile(std::string(kHeader) + "x\n").problem_line, 2u);
}

TEST(ProfileSummary, TheProgramSumsUpARealLogAndRefusesOthers)
{
    ScriptDir dir;
    dir.Write("res/main.lua", R"(
        local function leaf() end
        local function busy(n) for i = 1, n do leaf() end end
        function initialize() OpenWindow(32, 24, "profile") profiler.start("run.log") end
        local frames = 0
        function update()
            busy(200)
            frames = frames + 1
            if frames == 5 then profiler.stop() Quit() end
        end
    )");
    ASSERT_EQ(RunDemohost(dir).exit_code, 0);
    RunResult summary = RunProgramIn(PROFILE_PATH, dir, {"run.log", "--top", "2"});
    EXPECT_EQ(summary.exit_code, 0) << summary.err;
    EXPECT_EQ(Lines(summary.out, "").size(), 4u) << summary.out;
    RunResult all = RunProgramIn(PROFILE_PATH, dir, {"run.log"});
    EXPECT_EQ(Count(all.out, "      1000 "), 1u) << all.out;
    EXPECT_EQ(Count(all.out, " leaf (@res/main.lua:2)\n"), 1u) << all.out;
    EXPECT_EQ(Count(all.out, "         5 "), 2u) << "busy and update: " << all.out;

    dir.Write("other.txt", "not a log\n");
    RunResult other = RunProgramIn(PROFILE_PATH, dir, {"other.txt"});
    EXPECT_EQ(other.exit_code, 1);
    EXPECT_EQ(other.err, "demohost-profile: other.txt is no script profiler log (line 1)\n");
    RunResult missing = RunProgramIn(PROFILE_PATH, dir, {"none.log"});
    EXPECT_EQ(missing.exit_code, 1);
    EXPECT_EQ(missing.err,
              "demohost-profile: none.log cannot be read: No such file or directory\n");
    EXPECT_EQ(RunProgramIn(PROFILE_PATH, dir, {"run.log", "--top", "0"}).exit_code, 2);
}
