// Reloading the script: a new state gets empty tables and the old one's GL names are freed; a
// state that fails to start leaves the old one running with all it made; nothing grows.

#include "support/gl.h"

#include "app/api.h"
#include "app/reload.h"
#include "app/window.h"
#include "profile/overlay.h"
#include "profile/zone_lua.h"
#include "profile/zone_lua_internal.h"
#include "render/render_target_internal.h"
#include "render/shader_internal.h"
#include "render/texture_internal.h"
#include "text/text_internal.h"

#include <GL/glew.h>
#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

namespace fs = std::filesystem;

// Makes an image, a font, two render targets and a shader, and keeps the handles in globals.
static const char* kScript = R"(
    generation = (generation or 0) + 1
    function initialize(args)
        image = LoadImage("res/white.png")
        font = LoadFont("res/font/mono-20.fnt", "res/font/")
        first_target = MakeRenderTarget(64, 64, 1)
        second_target = MakeRenderTarget(32, 32, 2)
        shader = LoadShader("res/plain.shader")
        SetShader(shader)
        argument = args[1]
    end
    function update() updated = 1 end
)";

class Reload : public testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::path(testing::TempDir()) / ("reload-" + std::to_string(getpid()));
        fs::create_directories(dir / "res");
        fs::copy(fs::path(DEMOHOST_SOURCE_DIR) / "res" / "font", dir / "res" / "font",
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        std::vector<unsigned char> white(4 * 4 * 4, 255);
        stbi_write_png((dir / "res" / "white.png").c_str(), 4, 4, 4, white.data(), 16);
        std::ofstream(dir / "res" / "plain.shader")
            << "[vertex]\nvoid main() { gl_Position = ftransform(); }\n"
            << "[fragment]\nvoid main() { gl_FragColor = vec4(1.0); }\n";
        Write(kScript);
        fs::current_path(dir);
        OpenTestWindow(64, 64);
        host.Open();
        ASSERT_TRUE(host.Start(args));
    }
    void Write(const std::string& script) { std::ofstream(dir / "res" / "main.lua") << script; }
    double Global(const char* name)
    {
        lua_getglobal(host.State(), name);
        double value = lua_tonumber(host.State(), -1);
        lua_pop(host.State(), 1);
        return value;
    }
    bool Reloaded() { return ReloadScript(host, args); }

    fs::path dir;
    ScriptHost host;
    const std::vector<std::string> args = {"7"};
};

TEST_F(Reload, ANewStateStartsWithEmptyTablesAndTheOldNamesAreFreed)
{
    auto old_image = static_cast<GLuint>(Global("image"));
    GLuint old_target = MadeRenderTargets().targets[0].textures[0];
    GLuint old_page = static_cast<GLuint>(LoadedFonts().fonts[0]->pageTextures[0]);
    GLuint old_program = LoadedShaders().slots[0].program;
    ASSERT_TRUE(glIsTexture(old_image) && glIsTexture(old_target) && glIsTexture(old_page));

    ASSERT_TRUE(Reloaded());
    EXPECT_EQ(Global("generation"), 1);
    EXPECT_EQ(Global("argument"), 7);
    EXPECT_EQ(Global("font"), 1);
    EXPECT_EQ(Global("first_target"), 1);
    EXPECT_EQ(Global("second_target"), 2);
    EXPECT_EQ(Global("shader"), 1);
    EXPECT_EQ(LoadedFonts().count, 1);
    EXPECT_EQ(MadeRenderTargets().count, 2);
    EXPECT_EQ(LoadedImages().textures.size(), 1u);
    EXPECT_NE(static_cast<GLuint>(Global("image")), old_image);
    EXPECT_FALSE(glIsTexture(old_image));
    EXPECT_FALSE(glIsTexture(old_target));
    EXPECT_FALSE(glIsTexture(old_page));
    EXPECT_FALSE(glIsProgram(old_program));
    EXPECT_EQ(LoadedShaders().current, 1);
}

TEST_F(Reload, AStateThatFailsToStartLeavesTheOldOneRunning)
{
    GLuint image = static_cast<GLuint>(Global("image"));
    GLuint program = LoadedShaders().slots[0].program;
    for (const char* broken : {"function initialize( end", "function initialize() error('no') end",
                               "LoadImage('res/white.png') error('in the chunk')"}) {
        Write(broken);
        testing::internal::CaptureStdout();
        EXPECT_FALSE(Reloaded()) << broken;
        EXPECT_NE(testing::internal::GetCapturedStdout().find("Error: "), std::string::npos);
        EXPECT_EQ(Global("image"), image) << broken;
        EXPECT_TRUE(glIsTexture(image)) << broken;
        EXPECT_EQ(LoadedFonts().count, 1);
        EXPECT_EQ(MadeRenderTargets().count, 2);
        EXPECT_EQ(LoadedShaders().count, 1);
        EXPECT_EQ(LoadedImages().textures.size(), 1u) << broken;
        EXPECT_EQ(LoadedShaders().current, 1);
        GLint in_use = 0;
        glGetIntegerv(GL_CURRENT_PROGRAM, &in_use);
        EXPECT_EQ(static_cast<GLuint>(in_use), program);
    }
    host.Update(1, 0.1);
    EXPECT_EQ(Global("updated"), 1);
}

// Resident memory in KiB.
static long ResidentKib()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

TEST_F(Reload, TwoHundredReloadsHoldTheirMemory)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer keeps freed memory in quarantine: resident memory grows";
#endif
    long after_50 = 0;
    for (int i = 1; i <= 200; i++) {
        ASSERT_TRUE(Reloaded());
        if (i == 50)
            after_50 = ResidentKib();
    }
    long after_200 = ResidentKib();
    printf("resident after reload 50: %ld KiB, after 200: %ld KiB\n", after_50, after_200);
    EXPECT_LT(after_200 - after_50, 5 * 1024);
}

TEST_F(Reload, TheOldStatesProfilersEndWithIt)
{
    ZoneLua_start(host.State());
    EXPECT_EQ(ZoneHookRunning(), 1);
    Write(std::string(kScript) + "profiler.start('run.log')");
    ASSERT_TRUE(Reloaded());
    EXPECT_EQ(ZoneHookRunning(), 0);
    // The run of the state before has ended with it: the next state finds none to stop.
    Write(kScript);
    ASSERT_TRUE(Reloaded());
    ASSERT_EQ(luaL_dostring(host.State(), "stopped = profiler.stop() and 1 or 0"), 0);
    EXPECT_EQ(Global("stopped"), 0);
}

// A state that fails after changing the window and the overlay leaves the old state its window
// size and title, its overlay switch and its zone timing.
TEST_F(Reload, AFailedStateGivesTheWindowOverlayAndHookBack)
{
    ZoneLua_start(host.State());
    Write("function initialize() OpenWindow(32, 24, 'new') ShowProfiling(true) error('late') end");
    testing::internal::CaptureStdout();
    EXPECT_FALSE(Reloaded());
    testing::internal::GetCapturedStdout();
    int width = 0, height = 0;
    WindowSize(width, height);
    EXPECT_EQ(width, 64);
    EXPECT_EQ(height, 64);
    EXPECT_EQ(WindowTitle(), "test");
    EXPECT_FALSE(ProfilingOverlayOn());
    EXPECT_EQ(ZoneHookRunning(), 1);
    EXPECT_NE(lua_gethook(host.State()), nullptr);
    ZoneLua_is_running(host.State());
    EXPECT_TRUE(lua_toboolean(host.State(), -1));
    ZoneLua_stop(host.State());
}
