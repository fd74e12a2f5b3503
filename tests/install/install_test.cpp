// The installed programs: where they go, and the default font they find beside themselves when
// the working directory has none, in a prefix that was moved after the install; the build
// folder's programs find the source tree's.

#include "support/run.h"
#include "support/screen.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

// Shows the zone overlay in a window at the screen's top left until Escape is pressed.
static const char* kOverlayScript = R"(
    local host = require("demohost")
    local frames = 0
    function initialize() OpenWindow(320, 120, "install-test") ShowProfiling(true) end
    function update()
        frames = frames + 1
        if frames == 20 then print("shown") end
        if host.pressed("escape") then Quit() end
    end)";

// Lit pixels where the overlay's text is, once the script has shown it.
static int OverlayPixels(const BackgroundRun& run)
{
    if (!run.WaitFor("shown", 30))
        return -1;
    int lit = 0;
    for (int i = 0; i < 100 && lit == 0; i++) {
        lit = ScreenPixelsNotBlack(0, 0, 320, 120);
        usleep(10000);
    }
    return lit;
}

static void PressEscape()
{
    // With no window manager the keyboard follows the pointer.
    ASSERT_EQ(system("xdotool search --sync --name '^install-test$' mousemove --window %1 20 20 "
                     "key Escape"),
              0);
}

TEST(Install, ProgramsAndFontGoToThePrefixAndTheFontIsFoundAfterTheMove)
{
    ScriptDir place;
    std::string prefix = place.Path() + "/prefix";
    std::string install = std::string(CMAKE_PATH) + " --install " + DEMOHOST_BUILD_DIR +
                          " --prefix " + prefix + " > /dev/null";
    ASSERT_EQ(system(install.c_str()), 0);
    for (const char* program :
         {"demohost", "demohost-live", "demohost-capture", "demohost-pack", "demohost-profile"})
        EXPECT_TRUE(fs::is_regular_file(prefix + "/bin/" + program)) << program;
    EXPECT_TRUE(fs::is_regular_file(prefix + "/share/demohost/font/mono-20.fnt"));
    EXPECT_TRUE(fs::is_regular_file(prefix + "/share/demohost/font/mono-20_0.png"));
    std::string moved = place.Path() + "/moved";
    fs::rename(prefix, moved);

    // A folder with only res/main.lua.
    ScriptDir demo;
    fs::remove_all(demo.Path() + "/res/font");
    demo.Write("res/main.lua", kOverlayScript);
    std::string demohost = moved + "/bin/demohost";
    BackgroundRun run(demohost.c_str(), demo, {});
    EXPECT_GT(OverlayPixels(run), 0);
    PressEscape();
    EXPECT_EQ(run.WaitForExit(10), 0);
    EXPECT_EQ(run.Output().find("Font loading error"), std::string::npos) << run.Output();

    // The status line of demohost-live is drawn in it too.
    std::string live = moved + "/bin/demohost-live";
    BackgroundRun live_run(live.c_str(), demo, {});
    EXPECT_GT(OverlayPixels(live_run), 0);
    live_run.Stop();
    EXPECT_EQ(live_run.Output().find("Font loading error"), std::string::npos)
        << live_run.Output();
}

TEST(Install, TheBuildFoldersProgramFindsTheSourceTreesFontAndACopyElsewhereNamesTheLocalPath)
{
    ScriptDir demo;
    fs::remove_all(demo.Path() + "/res/font");
    demo.Write("res/main.lua", kOverlayScript);
    {
        BackgroundRun run(DEMOHOST_PATH, demo, {});
        EXPECT_GT(OverlayPixels(run), 0);
        PressEscape();
        EXPECT_EQ(run.WaitForExit(10), 0);
        EXPECT_EQ(run.Output(), "shown\n");
    }
    // A copy of the program outside the build folder, with no installed font beside it.
    ScriptDir place;
    std::string copy = place.Path() + "/demohost";
    fs::copy_file(DEMOHOST_PATH, copy);
    BackgroundRun run(copy.c_str(), demo, {});
    EXPECT_EQ(OverlayPixels(run), 0);
    PressEscape();
    EXPECT_EQ(run.WaitForExit(10), 0);
    EXPECT_EQ(run.Output(), "Font loading error: res/font/mono-20.fnt\nshown\n");
}

// The Debian package of the script engine the programs link.
#ifdef DEMOHOST_LUAJIT
static const char* kEnginePackage = "libluajit-5.1-2";
#else
static const char* kEnginePackage = "liblua5.1-0";
#endif

TEST(Install, TheDebianPackageHoldsTheInstallAndDependsOnWhatTheProgramsLink)
{
    ScriptDir place;
    std::string cpack = std::string("cd ") + DEMOHOST_BUILD_DIR + " && " + CPACK_PATH +
                        " -G DEB -B " + place.Path() + " > /dev/null";
    ASSERT_EQ(system(cpack.c_str()), 0);
    std::string deb;
    for (const fs::directory_entry& entry : fs::directory_iterator(place.Path()))
        if (entry.path().extension() == ".deb")
            deb = entry.path().string();
    ASSERT_NE(deb, "");
    EXPECT_EQ(fs::path(deb).filename().string().rfind("demohost_", 0), 0u) << deb;
    EXPECT_NE(deb.find("_amd64.deb"), std::string::npos) << deb;

    std::string depends = CommandOutput("dpkg-deb -f '" + deb + "' Depends");
    for (const char* package : {kEnginePackage, "libsdl2-2.0-0", "libglfw3", "libsndfile1",
                                "libfftw3-single3", "libavcodec", "libc6", "patchelf"})
        EXPECT_NE(depends.find(package), std::string::npos) << package << " in " << depends;
    std::string files = CommandOutput("dpkg-deb -c '" + deb + "'");
    for (const char* file : {"./usr/bin/demohost\n", "./usr/bin/demohost-live\n",
                             "./usr/bin/demohost-capture\n", "./usr/bin/demohost-pack\n",
                             "./usr/share/demohost/font/mono-20.fnt\n"})
        EXPECT_NE(files.find(file), std::string::npos) << file;
}
