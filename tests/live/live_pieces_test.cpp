// demohost-live's pieces on a clock and keys of the test's own: the frame time through pauses
// and jumps, the transport keys' presses, the command line, and the reload policy (what asks for a
// reload: a settled save, F5, a jump, the editor's row; what a reload's outcome leaves shown).

#include "support/fake_editor.h"

#include "live/live_clock.h"
#include "live/live_options.h"
#include "live/live_reload.h"
#include "live/transport_keys.h"
#include "tracks/tracks.h"

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <thread>

namespace fs = std::filesystem;

static double now = 0;
static double Now()
{
    return now;
}

// The keys as the last processing of events left them: presses per key, and the keys held.
static std::map<int, int> presses;
static std::set<int> keys_held;
static const TransportInput kKeys = {
    [](int key) { return presses.count(key) ? presses[key] : 0; },
    [](int key) { return keys_held.count(key) > 0; },
};

static double NextTime(LiveClock& clock, double* dt = nullptr)
{
    FrameTime frame{};
    EXPECT_TRUE(clock.Next(frame));
    if (dt)
        *dt = frame.dt;
    return frame.time;
}

TEST(LiveClock, StartsAtTheStartPointHoldsWhilePausedAndJumpsNotBeforeZero)
{
    now = 10;
    LiveClock clock(2.5, Now);
    EXPECT_EQ(clock.StartTime(), 2.5);
    clock.Start();
    now = 10.25;
    double dt = 0;
    // The first frame is the start point; its dt is measured from Start.
    EXPECT_EQ(NextTime(clock, &dt), 2.5);
    EXPECT_EQ(dt, 0.25);
    now = 10.5;
    EXPECT_EQ(NextTime(clock), 2.75);
    clock.Pause(true);
    now = 11.5;
    EXPECT_EQ(NextTime(clock, &dt), 2.75);
    EXPECT_EQ(dt, 0);
    clock.Pause(false);
    now = 11.75;
    EXPECT_EQ(NextTime(clock), 3.0);
    // A jump moves the next frame's time by as much as it can.
    EXPECT_EQ(clock.Jump(1), 1);
    EXPECT_EQ(clock.Time(), 4.0);
    EXPECT_EQ(clock.Jump(-10), -4.0);
    now = 12;
    EXPECT_EQ(NextTime(clock), 0.25);
}

TEST(TransportKeys, EveryPressActsOnceAndMovesTheClock)
{
    now = 0;
    presses.clear();
    keys_held.clear();
    LiveClock clock(5, Now);
    clock.Start();
    NextTime(clock);
    TransportKeys transport(clock, kKeys);
    EXPECT_FALSE(transport.Step());

    // A press jumps once; the next frame, with no press, does nothing.
    presses = {{GLFW_KEY_F8, 1}};
    EXPECT_TRUE(transport.Step());
    presses.clear();
    EXPECT_FALSE(transport.Step());
    EXPECT_EQ(clock.Time(), 6);
    // Three taps between two frames are three jumps.
    presses = {{GLFW_KEY_F8, 3}};
    EXPECT_TRUE(transport.Step());
    EXPECT_EQ(clock.Time(), 9);
    // With Shift, F7 goes ten back, not before 0.
    presses = {{GLFW_KEY_F7, 1}};
    keys_held = {GLFW_KEY_RIGHT_SHIFT};
    EXPECT_TRUE(transport.Step());
    EXPECT_EQ(clock.Time(), 0);
    presses = {{GLFW_KEY_F8, 1}};
    keys_held = {GLFW_KEY_LEFT_SHIFT};
    EXPECT_TRUE(transport.Step());
    EXPECT_EQ(clock.Time(), 10);
    keys_held.clear();
    // F9 goes back to the start point.
    presses = {{GLFW_KEY_F9, 1}};
    EXPECT_TRUE(transport.Step());
    EXPECT_EQ(clock.Time(), 5);

    // F6 pauses and, pressed again, resumes (twice in one frame: as it was); it asks for no
    // reload. F5 asks for one.
    presses = {{GLFW_KEY_F6, 1}};
    EXPECT_FALSE(transport.Step());
    EXPECT_TRUE(clock.Paused());
    presses = {{GLFW_KEY_F6, 2}};
    EXPECT_FALSE(transport.Step());
    EXPECT_TRUE(clock.Paused());
    presses = {{GLFW_KEY_F6, 1}};
    EXPECT_FALSE(transport.Step());
    EXPECT_FALSE(clock.Paused());
    presses = {{GLFW_KEY_F5, 2}};
    EXPECT_TRUE(transport.Step());
    presses.clear();
    EXPECT_FALSE(transport.Step());
}

TEST(LiveOptions, StartPointEditorScriptArgumentsAndBadArguments)
{
    LiveOptions options;
    std::string error;
    ASSERT_TRUE(ParseLiveOptions({"--at", "12.5", "--", "a", "--at"}, options, error));
    EXPECT_EQ(options.start, 12.5);
    EXPECT_EQ(options.script_args, (std::vector<std::string>{"a", "--at"}));
    EXPECT_EQ(options.editor_host, "localhost");
    EXPECT_EQ(options.editor_port, "1338");

    ASSERT_TRUE(ParseLiveOptions({"--editor", "studio.lan:9000"}, options, error));
    EXPECT_EQ(options.editor_host, "studio.lan");
    EXPECT_EQ(options.editor_port, "9000");
    ASSERT_TRUE(ParseLiveOptions({"--editor", "[::1]:1338"}, options, error));
    EXPECT_EQ(options.editor_host, "::1");

    for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{
             {"--at"}, {"--at", "-1"}, {"--at", "5s"}, {"--at", "nan"}, {"script-arg"},
             {"--editor"}, {"--editor", "host"}, {"--editor", ":1338"}, {"--editor", "h:0"},
             {"--editor", "h:65536"}, {"--editor", "h:+80"}, {"--editor", "h:80x"}}) {
        LiveOptions refused;
        EXPECT_FALSE(ParseLiveOptions(bad, refused, error)) << bad[0];
        EXPECT_NE(error.find("bad argument '"), std::string::npos);
    }
}

class LiveReloadPolicy : public testing::Test {
protected:
    void SetUp() override
    {
        folder = fs::path(testing::TempDir()) / ("live-reload-" + std::to_string(getpid()));
        fs::create_directories(folder);
        now = 1;
        presses.clear();
        keys_held.clear();
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
    LiveReload reload(options, clock, kKeys, Now, folder.string());
    EXPECT_FALSE(reload.BeforeFrame());
    std::ofstream(folder / "main.lua") << "-- saved";
    now = 1.01;
    EXPECT_FALSE(reload.BeforeFrame()) << "a save still being written";
    now = 1.1;
    EXPECT_TRUE(reload.BeforeFrame());
    now = 1.2;
    EXPECT_FALSE(reload.BeforeFrame()) << "one save, one reload";

    presses = {{GLFW_KEY_F5, 1}};
    EXPECT_TRUE(reload.BeforeFrame());
    presses.clear();
    EXPECT_FALSE(reload.BeforeFrame()) << "a key held is one press";
    presses = {{GLFW_KEY_F8, 1}};
    EXPECT_TRUE(reload.BeforeFrame());
    EXPECT_EQ(clock.Time(), 1.0);
    presses = {{GLFW_KEY_F6, 1}};
    EXPECT_FALSE(reload.BeforeFrame()) << "a pause keeps the state";
    EXPECT_TRUE(reload.Paused());
}

TEST_F(LiveReloadPolicy, AFailedReloadsErrorIsShownUntilAGoodOne)
{
    LiveClock clock(0, Now);
    LiveReload reload(options, clock, kKeys, Now, folder.string());
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
    LiveReload reload(options, clock, kKeys, Now, folder.string());
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
