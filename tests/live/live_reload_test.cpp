// demohost-live's reload policy on a clock and keys of the test's own: what asks for a reload
// (a settled save, F5, a jump, the editor's row) and what a reload's outcome leaves shown.

#include "support/fake_editor.h"

#include "live/live_clock.h"
#include "live/live_options.h"
#include "live/live_reload.h"
#include "tracks/tracks.h"

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

namespace fs = std::filesystem;

static double now = 0;
static double Now()
{
    return now;
}

static std::set<int> keys_down;
static bool KeyDown(int key)
{
    return keys_down.count(key) > 0;
}

class LiveReloadPolicy : public testing::Test {
protected:
    void SetUp() override
    {
        folder = fs::path(testing::TempDir()) / ("live-reload-" + std::to_string(getpid()));
        fs::create_directories(folder);
        now = 1;
        keys_down.clear();
        // No editor listens on a port that was just free.
        options.editor_host = "127.0.0.1";
        options.editor_port = "1";
    }
    void TearDown() override { fs::remove_all(folder); }

    fs::path folder;
    LiveOptions options;
};

TEST_F(LiveReloadPolicy, ASaveAsksOnceWhenSettledAndF5AndJumpsAskAtTheirPress)
{
    LiveClock clock(0, Now);
    LiveReload reload(options, clock, KeyDown, Now, folder.string());
    EXPECT_FALSE(reload.BeforeFrame());
    std::ofstream(folder / "main.lua") << "-- saved";
    now = 1.01;
    EXPECT_FALSE(reload.BeforeFrame()) << "a save still being written";
    now = 1.1;
    EXPECT_TRUE(reload.BeforeFrame());
    now = 1.2;
    EXPECT_FALSE(reload.BeforeFrame()) << "one save, one reload";

    keys_down = {GLFW_KEY_F5};
    EXPECT_TRUE(reload.BeforeFrame());
    EXPECT_FALSE(reload.BeforeFrame()) << "a key held is one press";
    keys_down = {GLFW_KEY_F8};
    EXPECT_TRUE(reload.BeforeFrame());
    EXPECT_EQ(clock.Time(), 1.0);
    keys_down = {GLFW_KEY_F6};
    EXPECT_FALSE(reload.BeforeFrame()) << "a pause keeps the state";
    EXPECT_TRUE(reload.Paused());
}

TEST_F(LiveReloadPolicy, AFailedReloadsErrorIsShownUntilAGoodOne)
{
    LiveClock clock(0, Now);
    LiveReload reload(options, clock, KeyDown, Now, folder.string());
    EXPECT_EQ(reload.LastError(), "");
    reload.Reloaded(false, "res/main.lua:3: boom");
    EXPECT_EQ(reload.LastError(), "res/main.lua:3: boom");
    reload.Reloaded(true, "");
    EXPECT_EQ(reload.LastError(), "");
    EXPECT_FALSE(reload.EditorConnected());
}

TEST_F(LiveReloadPolicy, TheEditorsRowIsJumpedToOnceItSettles)
{
    FakeEditor editor;
    std::string address = editor.Address();
    options.editor_port = address.substr(address.find(':') + 1);
    LiveClock clock(0, Now);
    LiveReload reload(options, clock, KeyDown, Now, folder.string());
    SetTrackTiming(120, 8, "res/sync");  // 16 rows a second
    // The editor greets the demo on its own thread while the frames poll.
    bool greeted = false;
    std::thread accept([&] { greeted = editor.Accept(5); });
    for (int i = 0; i < 300 && !reload.EditorConnected(); i++) {
        reload.BeforeFrame();
        usleep(10000);
    }
    accept.join();
    ASSERT_TRUE(greeted);
    ASSERT_TRUE(reload.EditorConnected());
    editor.SetRow(32);
    bool asked = false;
    for (int i = 0; i < 100 && !asked; i++) {
        usleep(10000);
        now += 0.01;
        asked = reload.BeforeFrame();
    }
    EXPECT_TRUE(asked);
    EXPECT_DOUBLE_EQ(clock.Time(), 2.0);
}
