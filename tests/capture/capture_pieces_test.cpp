// demohost-capture's clock (frame k at from + k / fps, the end on a frame count, an interrupt or
// the music's end) and its command line.

#include "capture/capture_clock.h"
#include "capture/capture_options.h"

#include <gtest/gtest.h>

TEST(CaptureClock, FramesAtExactTimesUntilTheCountOrAnInterrupt)
{
    volatile sig_atomic_t interrupted = 0;
    CaptureClock clock(25, 3, 1.5, interrupted, nullptr);
    EXPECT_EQ(clock.StartTime(), 1.5);
    clock.Start();
    FrameTime frame{};
    ASSERT_TRUE(clock.Next(frame));
    EXPECT_EQ(frame.time, 1.5);
    EXPECT_EQ(frame.dt, 0);
    ASSERT_TRUE(clock.Next(frame));
    EXPECT_EQ(frame.time, 1.5 + 1.0 / 25);
    EXPECT_EQ(frame.dt, 1.0 / 25);
    ASSERT_TRUE(clock.Next(frame));
    EXPECT_EQ(frame.time, 1.5 + 2.0 / 25);
    EXPECT_FALSE(clock.Next(frame));

    CaptureClock stopped(25, 100, 0, interrupted, nullptr);
    stopped.Start();
    ASSERT_TRUE(stopped.Next(frame));
    interrupted = 1;
    EXPECT_FALSE(stopped.Next(frame));
}

static bool Parse(std::vector<std::string> args, CaptureOptions& options, std::string& error)
{
    options = CaptureOptions();
    return ParseCaptureOptions(args, options, error);
}

TEST(CaptureOptions, ValuesOutputsAndScriptArguments)
{
    CaptureOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"--fps", "30", "--size", "320x200", "--seconds", "2.5", "--from", "4",
                       "out.webm", "--", "x", "--fps"},
                      options, error))
        << error;
    EXPECT_EQ(options.fps, 30);
    EXPECT_EQ(options.width, 320);
    EXPECT_EQ(options.height, 200);
    EXPECT_EQ(options.frames, 75);
    EXPECT_EQ(options.from, 4);
    EXPECT_EQ(options.kind, OutputKind::Vp9);
    EXPECT_EQ(options.script_args, (std::vector<std::string>{"x", "--fps"}));

    ASSERT_TRUE(Parse({"shots/frame-%04d.png"}, options, error));
    EXPECT_EQ(options.kind, OutputKind::PngFrames);
    EXPECT_EQ(options.frames, -1);
    EXPECT_EQ(SoundPathBesideFrames("shots/frame-%04d.png"), "shots/frame.wav");
    EXPECT_EQ(SoundPathBesideFrames("%d.png"), "audio.wav");
    ASSERT_TRUE(Parse({"OUT.MKV", "--quality", "51"}, options, error));
    EXPECT_EQ(options.kind, OutputKind::H264);
}

TEST(CaptureOptions, EachBadCommandLineSaysWhy)
{
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{}, "no output file given"},
        {{"a.mp4", "b.mp4"}, "more than one output"},
        {{"a.mp4", "--fps"}, "--fps needs a value"},
        {{"a.mp4", "--fps", "0"}, "bad value for --fps: '0'"},
        {{"a.mp4", "--fps", "1001"}, "bad value for --fps"},
        {{"a.mp4", "--size", "640x"}, "bad value for --size"},
        {{"a.mp4", "--seconds", "-1"}, "bad value for --seconds"},
        {{"a.mp4", "--from", "x"}, "bad value for --from"},
        {{"a.mp4", "--frames", "2", "--seconds", "1"}, "use one"},
        {{"a.mp4", "--loud"}, "unknown option --loud"},
        {{"a.mp4", "--quality", "52"}, "--quality for H.264 is 0 to 51"},
        {{"frame-%d.jpg"}, "must end in .png"},
        {{"a.gif"}, "cannot tell the format"},
    };
    for (const auto& [args, message] : cases) {
        CaptureOptions options;
        std::string error;
        EXPECT_FALSE(Parse(args, options, error)) << message;
        EXPECT_NE(error.find(message), std::string::npos) << message << ": " << error;
    }
}
