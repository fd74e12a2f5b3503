// Boxes and lines on screen: corners, rotation, culling, blending, call order, and batching
// as the profiler's zone counts show it.

#include "support/gl.h"

#include <gtest/gtest.h>

class Pipes : public testing::Test {
protected:
    void SetUp() override
    {
        OpenTestWindow(800, 600);
        BeginTestFrame();
        ZoneCallsSinceLastCheck();
    }
    TestState lua;
};

TEST_F(Pipes, UnrotatedBoxCoversItsRectangle)
{
    ASSERT_EQ(lua.Run("DrawBox(100, 100, 20, 10, 0, 0)"), "");
    EndTestFrame();
    EXPECT_EQ(ReadPixel(90, 95), kWhite);
    EXPECT_EQ(ReadPixel(109, 104), kWhite);
    EXPECT_EQ(ReadPixel(89, 100), kBlack);
    EXPECT_EQ(ReadPixel(110, 100), kBlack);
    EXPECT_EQ(ReadPixel(100, 94), kBlack);
    EXPECT_EQ(ReadPixel(100, 105), kBlack);
}

TEST_F(Pipes, QuarterTurnSwapsWidthAndHeight)
{
    ASSERT_EQ(lua.Run("DrawBox(100, 100, 20, 10, 90, 0)"), "");
    EndTestFrame();
    EXPECT_EQ(ReadPixel(95, 90), kWhite);
    EXPECT_EQ(ReadPixel(104, 109), kWhite);
    EXPECT_EQ(ReadPixel(93, 100), kBlack);
    EXPECT_EQ(ReadPixel(106, 100), kBlack);
    EXPECT_EQ(ReadPixel(100, 88), kBlack);
}

TEST_F(Pipes, MirroredBoxIsCulledAndDoublyMirroredIsDrawn)
{
    ASSERT_EQ(lua.Run("DrawBox(100, 100, -20, 10, 0, 0) DrawBox(300, 100, 20, -10, 0, 0)"
                      "DrawBox(500, 100, -20, -10, 0, 0)"),
              "");
    EndTestFrame();
    EXPECT_EQ(ReadPixel(100, 100), kBlack);
    EXPECT_EQ(ReadPixel(300, 100), kBlack);
    EXPECT_EQ(ReadPixel(500, 100), kWhite);
}

TEST_F(Pipes, ColoursAndAdditiveBlending)
{
    ASSERT_EQ(lua.Run(R"(
        DrawBoxWithColor(100, 100, 20, 20, 0, 0, 0.5, 0, 0, 1)
        DrawBoxWithColor(100, 100, 20, 20, 0, 0, 0, 0.25, 0, 1)
        DrawBoxWithColor(300, 100, 20, 20, 0, 0, 0.5, 0, 0, 1)
        SetAdditiveBlend(true)
        DrawBoxWithColor(300, 100, 20, 20, 0, 0, 0, 0.25, 0, 1)
        DrawBoxWithColor(300, 100, 20, 20, 0, 0, 0.25, 0, 0, 0.5)
        SetAdditiveBlend(false)
    )"),
              "");
    EndTestFrame();
    Rgba replaced = ReadPixel(100, 100);
    EXPECT_EQ(replaced.r, 0);
    EXPECT_NEAR(replaced.g, 64, 1);
    Rgba added = ReadPixel(300, 100);
    EXPECT_NEAR(added.r, 128 + 32, 2);
    EXPECT_NEAR(added.g, 64, 1);
}

TEST_F(Pipes, BoxLineBoxReachTheScreenInCallOrder)
{
    ASSERT_EQ(lua.Run(R"(
        DrawBoxWithColor(100, 100, 100, 100, 0, 0, 0, 0, 1, 1)
        DrawLine(50, 100.5, 150, 100.5, 3, 1, 0, 0, 1, 1, 0, 0, 1)
        DrawBoxWithColor(130, 100, 20, 20, 0, 0, 0, 1, 0, 1)
    )"),
              "");
    EndTestFrame();
    EXPECT_EQ(ReadPixel(70, 100), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(ReadPixel(130, 100), (Rgba{0, 255, 0, 255}));
    EXPECT_EQ(ReadPixel(70, 80), (Rgba{0, 0, 255, 255}));
    auto calls = ZoneCallsSinceLastCheck();
    EXPECT_EQ(ZoneCalls(calls, "FlushPipeSimple"), 2u);
    EXPECT_EQ(ZoneCalls(calls, "FlushLinePipeSimple"), 1u);
    EXPECT_EQ(ZoneCalls(calls, "FillPipe"), 2u);
    EXPECT_EQ(ZoneCalls(calls, "FillLinePipe"), 1u);
}

TEST_F(Pipes, TwoColourLineIsAGradient)
{
    ASSERT_EQ(lua.Run("DrawLine(100, 50.5, 300, 50.5, 1, 1, 0, 0, 1, 0, 0, 1, 1)"), "");
    EndTestFrame();
    Rgba start = ReadPixel(105, 50), middle = ReadPixel(200, 50), end = ReadPixel(295, 50);
    EXPECT_GT(start.r, 200);
    EXPECT_LT(start.b, 50);
    EXPECT_GT(end.b, 200);
    EXPECT_LT(end.r, 50);
    EXPECT_NEAR(middle.r, middle.b, 30);
    EXPECT_GT(middle.r, 80);
}

TEST_F(Pipes, BoxesBatchUntilTheTextureChangesOrTheBatchIsFull)
{
    ASSERT_EQ(lua.Run("for i = 1, 3 do DrawBox(10 * i, 10, 5, 5, 0, 0) end"), "");
    EndTestFrame();
    auto three = ZoneCallsSinceLastCheck();
    EXPECT_EQ(ZoneCalls(three, "FlushPipeAdvanced"), 1u);
    EXPECT_EQ(ZoneCalls(three, "FlushPipeSimple"), 0u);

    ASSERT_EQ(lua.Run("for i = 1, 2501 do DrawBox(i % 800, 10, 2, 2, 0, 0) end"), "");
    auto before_end = ZoneCallsSinceLastCheck();
    EXPECT_EQ(ZoneCalls(before_end, "FlushPipeAdvanced"), 1u);
    EndTestFrame();
    auto at_end = ZoneCallsSinceLastCheck();
    EXPECT_EQ(ZoneCalls(at_end, "FlushPipeAdvanced"), 0u);
    EXPECT_EQ(ZoneCalls(at_end, "FlushPipeSimple"), 1u);

    ASSERT_EQ(lua.Run("DrawBox(10, 10, 5, 5, 0, 1) DrawBox(20, 10, 5, 5, 0, 2.9)"
                      "DrawBox(30, 10, 5, 5, 0, 2)"),
              "");
    EndTestFrame();
    auto split = ZoneCallsSinceLastCheck();
    EXPECT_EQ(ZoneCalls(split, "FlushPipeSimple"), 1u);
    EXPECT_EQ(ZoneCalls(split, "FlushPipeAdvanced"), 1u);
}

TEST_F(Pipes, LinesBatchByWidthComparedBeforeTruncation)
{
    ASSERT_EQ(lua.Run("for i = 1, 3 do DrawLine(0, i, 10, i, 2, 1,1,1,1, 1,1,1,1) end"), "");
    EndTestFrame();
    auto same = ZoneCallsSinceLastCheck();
    EXPECT_EQ(ZoneCalls(same, "FlushLinePipeAdvanced"), 1u);
    EXPECT_EQ(ZoneCalls(same, "FlushLinePipeSimple"), 0u);

    ASSERT_EQ(lua.Run("for i = 1, 3 do DrawLine(0, i, 10, i, 2.5, 1,1,1,1, 1,1,1,1) end"), "");
    EndTestFrame();
    auto fractional = ZoneCallsSinceLastCheck();
    EXPECT_EQ(ZoneCalls(fractional, "FlushLinePipeSimple"), 3u);
    EXPECT_EQ(ZoneCalls(fractional, "FlushLinePipeAdvanced"), 0u);

    ASSERT_EQ(lua.Run("for i = 1, 5001 do DrawLine(0, 1, 10, 1, 2, 1,1,1,1, 1,1,1,1) end"), "");
    EndTestFrame();
    auto full = ZoneCallsSinceLastCheck();
    EXPECT_EQ(ZoneCalls(full, "FlushLinePipeAdvanced"), 1u);
    EXPECT_EQ(ZoneCalls(full, "FlushLinePipeSimple"), 1u);
}

TEST_F(Pipes, BadNumbersNeitherCrashNorStopLaterDrawing)
{
    ASSERT_EQ(lua.Run(R"(
        local nan, inf = 0/0, math.huge
        DrawBox(nan, inf, -inf, 1e300, nan, nan)
        DrawBoxWithColor(1e300, -1e300, 1e30, 1e30, inf, 1e30, nan, inf, -inf, nan)
        DrawBox(100, 100, 10, 10, 1e300, -1e30)
        DrawLine(nan, inf, 1e300, -1e300, nan, nan, inf, 1, 1, 1, 1, 1, 1)
        DrawLine(0, 0, 10, 10, 1e30, 1, 1, 1, 1, 1, 1, 1, 1)
        DrawLine(0, 0, 10, 10, 0, 1, 1, 1, 1, 1, 1, 1, 1)
        DrawLine(0, 0, 10, 10, -3, 1, 1, 1, 1, 1, 1, 1, 1)
    )"),
              "");
    EndTestFrame();
    BeginTestFrame();
    ASSERT_EQ(lua.Run("DrawBox(400, 300, 10, 10, 0, 0) DrawLine(10, 500.5, 50, 500.5, 1, "
                      "1, 1, 1, 1, 1, 1, 1, 1)"),
              "");
    EndTestFrame();
    EXPECT_EQ(ReadPixel(400, 300), kWhite);
    EXPECT_GT(ReadPixel(30, 500).r, 200);
}
