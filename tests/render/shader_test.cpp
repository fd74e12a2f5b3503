// Shader files and programs: the section format, the table's handles, selection and uniforms.

#include "support/gl.h"

#include "render/shader.h"
#include "render/shader_internal.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

static std::string WriteFile(const char* name, const std::string& text)
{
    // Named for the process: the tests run in processes of their own, side by side.
    std::string path = testing::TempDir() + "/" + std::to_string(getpid()) + "-" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

TEST(ShaderFile, SectionsKeepTheirLineBreaks)
{
    std::string path = WriteFile("joined.shader",
                                 "ignored before any section\n"
                                 "[fragment]\r\n"
                                 "frag1 // a comment\r\n"
                                 "[vertex] \n"
                                 "[vertex]\n"
                                 "one\n"
                                 "two\n"
                                 "    three\n"
                                 "four\n"
                                 "[fragment]\n"
                                 "frag2");
    std::string vertex, fragment;
    ASSERT_TRUE(ReadShaderFile(path.c_str(), vertex, fragment));
    EXPECT_EQ(vertex, "one\ntwo\n    three\nfour\n");
    EXPECT_EQ(fragment, "frag1 // a comment\n[vertex] \nfrag2\n");
}

TEST(ShaderFile, LinesOfAnyLengthAndCutSectionsAreSaid)
{
    std::string long_line(5000, 'x');
    std::string path = WriteFile("long.shader", "[vertex]\n" + long_line + "\r\nkept\n");
    std::string vertex, fragment;
    ASSERT_TRUE(ReadShaderFile(path.c_str(), vertex, fragment));
    EXPECT_EQ(vertex, long_line + "\nkept\n");

    std::string big = "[vertex]\n";
    for (int i = 0; i < 250; i++)
        big += std::string(500, 'z') + "\n";
    path = WriteFile("big.shader", big + "[fragment]\nsmall\n");
    testing::internal::CaptureStdout();
    ASSERT_TRUE(ReadShaderFile(path.c_str(), vertex, fragment));
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(vertex.size(), kMaxShaderSource);
    EXPECT_EQ(fragment, "small\n");
    EXPECT_NE(out.find("was cut"), std::string::npos) << out;

    EXPECT_FALSE(ReadShaderFile("no-such.shader", vertex, fragment));
}

TEST(ShaderFile, DevicesAndFifosAreRefusedAtOnce)
{
    std::string fifo = testing::TempDir() + "/shader.fifo";
    unlink(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string vertex, fragment;
    EXPECT_FALSE(ReadShaderFile(fifo.c_str(), vertex, fragment));
    EXPECT_FALSE(ReadShaderFile("/dev/zero", vertex, fragment));
    unlink(fifo.c_str());
}

static const char* kValueShader =
    "[vertex]\n"
    "void main() {\n"
    "    gl_Position = ftransform();\n"
    "}\n"
    "[fragment]\n"
    "uniform float value;\n"
    "void main() {\n"
    "    gl_FragColor = vec4(value, 0.0, 0.0, 1.0);\n"
    "}\n";

class Shaders : public testing::Test {
protected:
    void SetUp() override
    {
        OpenTestWindow(800, 600);
        BeginTestFrame();
        ZoneCallsSinceLastCheck();
    }
    TestState lua;
};

TEST_F(Shaders, HandlesCountFromOneAndTheTableHolds25)
{
    std::string path = WriteFile("value.shader", kValueShader);
    testing::internal::CaptureStdout();
    ASSERT_EQ(lua.Run("handles = {} for i = 1, 26 do handles[i] = LoadShader('" + path + "') end "
                      "assert(handles[1] == 1 and handles[25] == 25 and handles[26] == 0)"),
              "");
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.find("Shader (" + path + "), Vertex shader: "), 0u) << out;
    EXPECT_NE(out.find("Shader (" + path + "), Pixel shader: "), std::string::npos);
    EXPECT_NE(LoadedShaders().slots[0].program, 0u);
    EXPECT_EQ(LoadedShaders().count, 25);
}

TEST_F(Shaders, MissingFileIsReportedAndSelectsFixedFunction)
{
    testing::internal::CaptureStdout();
    ASSERT_EQ(lua.Run("h = LoadShader('missing.shader') assert(h == 1) SetShader(h)"
                      "DrawBoxWithColor(100, 100, 10, 10, 0, 0, 0, 1, 0, 1)"),
              "");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Shader (missing.shader), Could not load\n");
    EndTestFrame();
    EXPECT_EQ(ReadPixel(100, 100), (Rgba{0, 255, 0, 255}));
}

TEST_F(Shaders, CompilerLinesCountFromTheSectionAndLinkErrorsArePrinted)
{
    // An error on the fragment section's third line; then a fragment section without main.
    std::string bad = WriteFile("bad.shader",
                                "[vertex]\nvoid main() { gl_Position = ftransform(); }\n"
                                "[fragment]\n// a comment\nvoid main() {\n"
                                "    gl_FragColor = undeclared;\n}\n");
    std::string unlinked = WriteFile("unlinked.shader", "[vertex]\nvoid main() {\n"
                                                        "gl_Position = ftransform(); }\n"
                                                        "[fragment]\nuniform float f;\n");
    testing::internal::CaptureStdout();
    ASSERT_EQ(lua.Run("LoadShader('" + bad + "') LoadShader('" + unlinked + "')"), "");
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Pixel shader: 0:3("), std::string::npos) << out;
    EXPECT_NE(out.find("Shader (" + unlinked + "), Link: "), std::string::npos) << out;
}

TEST_F(Shaders, AUniformSetAfterABoxAppliesToThatBox)
{
    std::string path = WriteFile("value.shader", kValueShader);
    testing::internal::CaptureStdout();
    ASSERT_EQ(lua.Run("h = LoadShader('" + path + "') SetShader(h) DrawBox(100, 100, 10, 10, 0, 0)"
                      "SetShaderParamf(h, 'value', 0.5) SetShaderParamf(h, 'nothing', 1)"),
              "");
    testing::internal::GetCapturedStdout();
    EndTestFrame();
    EXPECT_NEAR(ReadPixel(100, 100).r, 128, 1);
    EXPECT_EQ(ReadPixel(100, 100).g, 0);
}

// host.uniform sets one to four components of the program in use; a name the program lacks,
// or no program in use, is no error; a count outside 1 to 4 is.
TEST_F(Shaders, VecUniformsReachTheProgramInUse)
{
    std::string path = WriteFile("vec.shader",
                                 "[vertex]\nvoid main() { gl_Position = ftransform(); }\n"
                                 "[fragment]\nuniform vec4 colour;\nuniform vec2 pair;\n"
                                 "void main() { gl_FragColor = colour + vec4(pair, 0.0, 0.0); }\n");
    testing::internal::CaptureStdout();
    ASSERT_EQ(lua.Run("host = require 'demohost' host.uniform('colour', 1, 2, 3, 4) "
                      "h = LoadShader('" + path + "') SetShader(h) "
                      "DrawBox(100, 100, 10, 10, 0, 0) host.uniform('colour', 0.25, 0, 0.5, 1) "
                      "host.uniform('pair', 0, 0.5) host.uniform('nothing', 1) "
                      "assert(not pcall(host.uniform, 'colour')) "
                      "assert(not pcall(host.uniform, 'colour', 1, 2, 3, 4, 5)) "
                      "assert(not pcall(host.uniform, 'colour', 'red'))"),
              "");
    testing::internal::GetCapturedStdout();
    EndTestFrame();
    Rgba pixel = ReadPixel(100, 100);
    EXPECT_NEAR(pixel.r, 64, 1);
    EXPECT_NEAR(pixel.g, 128, 1);
    EXPECT_NEAR(pixel.b, 128, 1);
}

TEST_F(Shaders, SelectingTheSameProgramAgainDoesNotFlush)
{
    std::string path = WriteFile("value.shader", kValueShader);
    testing::internal::CaptureStdout();
    ASSERT_EQ(lua.Run("LoadShader('" + path + "') LoadShader('" + path + "')"
                      "SetShader(0) DrawBox(10, 10, 5, 5, 0, 0) SetShader(2)"
                      "DrawBox(20, 10, 5, 5, 0, 0) SetShader(2) DrawBox(30, 10, 5, 5, 0, 0)"
                      "SetShader(99) SetShader(0)"),
              "");
    testing::internal::GetCapturedStdout();
    auto calls = ZoneCallsSinceLastCheck();
    EXPECT_EQ(ZoneCalls(calls, "FlushPipeSimple"), 1u);
    EXPECT_EQ(ZoneCalls(calls, "FlushPipeAdvanced"), 1u);
    GLint program = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(program, 0);
}

TEST(ShadersWithoutWindow, NothingIsCreated)
{
    TestState lua;
    EXPECT_EQ(lua.Run("assert(LoadShader('x.shader') == 0) SetShader(1) SetShaderParamf(1, 'a', 1)"),
              "");
    EXPECT_EQ(LoadedShaders().count, 0);
}
