// What went wrong, as demohost and demohost-live tell it: every error printed, or once with its
// traceback and then counted; the panel's problems, their repeats and when they go; a shader
// compiler's lines told with the file's line numbers.

#include "live/error_panel.h"
#include "problems.h"
#include "render/shader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

static void Wait(double seconds)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

TEST(Problems, DemohostPrintsEveryErrorAndKeepsNothing)
{
    SetErrorEcho(ErrorEcho::kEveryTime);
    EXPECT_FALSE(ErrorsWantTraceback());
    testing::internal::CaptureStdout();
    ReportScriptProblem("res/main.lua:3: boom", "  res/main.lua:3\n");
    ReportScriptProblem("res/main.lua:3: boom", "  res/main.lua:3\n");
    NoteProblem("Image loading error: can't fopen: res/x.png");
    TickProblems();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Error: res/main.lua:3: boom\nError: res/main.lua:3: boom\n");
    EXPECT_TRUE(CurrentProblems().empty());
}

TEST(Problems, ARepeatedErrorIsPrintedOnceThenCountedEachSecondAndGoesWhenItStops)
{
    SetErrorEcho(ErrorEcho::kOnceThenCount);
    testing::internal::CaptureStdout();
    for (int i = 0; i < 60; i++) {
        ReportScriptProblem("res/main.lua:3: boom", "  res/main.lua:3\n  res/main.lua:9\n");
        TickProblems();
    }
    std::string first = testing::internal::GetCapturedStdout();
    EXPECT_EQ(first, "Error: res/main.lua:3: boom\n  res/main.lua:3\n  res/main.lua:9\n");
    ASSERT_EQ(CurrentProblems().size(), 1u);
    EXPECT_EQ(CurrentProblems()[0].count, 60);
    std::string text;
    PanelText(CurrentProblems(), text);
    EXPECT_EQ(text, "res/main.lua:3: boom (repeated 59 times)\n  res/main.lua:3\n  res/main.lua:9");

    // A second on, the count; a second without it, it goes, and coming back it is told afresh.
    Wait(1.05);
    testing::internal::CaptureStdout();
    ReportScriptProblem("res/main.lua:3: boom", "  res/main.lua:3\n");
    TickProblems();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Error: res/main.lua:3: boom (repeated 60 times)\n");
    Wait(1.05);
    TickProblems();
    EXPECT_TRUE(CurrentProblems().empty());
    testing::internal::CaptureStdout();
    ReportScriptProblem("res/main.lua:3: boom", "  res/main.lua:3\n");
    // Another error is told at once, after the first one's count.
    ReportScriptProblem("res/main.lua:3: boom", "  res/main.lua:3\n");
    ReportScriptProblem("res/main.lua:5: other", "");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Error: res/main.lua:3: boom\n  res/main.lua:3\n"
              "Error: res/main.lua:3: boom (repeated 1 time)\n"
              "Error: res/main.lua:5: other\n");
}

TEST(Problems, LoadsStayUntilAGoodReloadAndTheOldestGiveWay)
{
    SetErrorEcho(ErrorEcho::kOnceThenCount);
    NoteProblem("Image loading error: can't fopen: res/x.png");
    uint64_t mark = ProblemMark();
    testing::internal::CaptureStdout();
    PrintProblem("Music loading error: %s: %s\n", "not a regular file", "res");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Music loading error: not a regular file: res\n");
    Wait(1.05);
    TickProblems();
    ASSERT_EQ(CurrentProblems().size(), 2u) << "a load failed once stands";
    DropProblemsBefore(mark);
    ASSERT_EQ(CurrentProblems().size(), 1u);
    EXPECT_EQ(CurrentProblems()[0].text, "Music loading error: not a regular file: res");
    for (int i = 0; i < 6; i++)
        NoteProblem("problem " + std::to_string(i));
    ASSERT_EQ(CurrentProblems().size(), kMaxProblems);
    EXPECT_EQ(CurrentProblems().back().text, "problem 5");
    std::string text;
    PanelText({CurrentProblems()[2], CurrentProblems()[3]}, text);
    EXPECT_EQ(text, "problem 4\n\nproblem 5");
}

TEST(ShaderMessages, CompilerLinesAreToldAtTheFilesLines)
{
    std::string path = testing::TempDir() + "/lines.shader";
    std::ofstream(path) << "// post\n[vertex]\nvoid main() {\n}\n\n[fragment]\nuniform float a;\n"
                           "void main() {\n  gl_FragColor = b;\n}\n";
    std::string vertex, fragment;
    ShaderFileLines lines;
    ASSERT_TRUE(ReadShaderFile(path.c_str(), vertex, fragment, &lines));
    EXPECT_EQ(lines.vertex, (std::vector<int>{3, 4, 5}));
    EXPECT_EQ(lines.fragment, (std::vector<int>{7, 8, 9, 10}));
    EXPECT_EQ(WithFileLines("res/post.shader",
                            "0:3(18): error: `b' undeclared\n"
                            "0(2) : error C0000: syntax error\n"
                            "0:7(1): error: past the end\nerror: 2 compilation errors\n",
                            lines.fragment),
              "res/post.shader:9:18: error: `b' undeclared\n"
              "res/post.shader:8: error C0000: syntax error\n"
              "0:7(1): error: past the end\nerror: 2 compilation errors\n");
}
