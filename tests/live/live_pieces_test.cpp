// demohost-live's pieces on a clock of the test's own: the frame time through pauses and jumps,
// the transport keys' edges, and the command line.

#include "live/live_clock.h"
#include "live/live_options.h"
#include "live/transport_keys.h"

#include <gtest/gtest.h>

#include <set>

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

TEST(TransportKeys, ActOnceAPressAndMoveTheClock)
{
    now = 0;
    keys_down.clear();
    LiveClock clock(5, Now);
    clock.Start();
    NextTime(clock);
    TransportKeys transport(clock, KeyDown);
    EXPECT_FALSE(transport.Step());

    // Held for several reads, F8 jumps once.
    keys_down = {GLFW_KEY_F8};
    EXPECT_TRUE(transport.Step());
    EXPECT_FALSE(transport.Step());
    EXPECT_EQ(clock.Time(), 6);
    // With Shift, F7 goes ten back, not before 0.
    keys_down = {GLFW_KEY_F7, GLFW_KEY_RIGHT_SHIFT};
    EXPECT_TRUE(transport.Step());
    EXPECT_EQ(clock.Time(), 0);
    keys_down = {GLFW_KEY_F8, GLFW_KEY_LEFT_SHIFT};
    EXPECT_TRUE(transport.Step());
    EXPECT_EQ(clock.Time(), 10);
    // F9 goes back to the start point.
    keys_down = {GLFW_KEY_F9};
    EXPECT_TRUE(transport.Step());
    EXPECT_EQ(clock.Time(), 5);

    // F6 pauses and, pressed again, resumes; it asks for no reload. F5 asks for one.
    keys_down = {GLFW_KEY_F6};
    EXPECT_FALSE(transport.Step());
    EXPECT_TRUE(clock.Paused());
    keys_down.clear();
    EXPECT_FALSE(transport.Step());
    keys_down = {GLFW_KEY_F6};
    EXPECT_FALSE(transport.Step());
    EXPECT_FALSE(clock.Paused());
    keys_down = {GLFW_KEY_F5};
    EXPECT_TRUE(transport.Step());
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
