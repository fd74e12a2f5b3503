// Full screen: the script's picture scaled onto the whole screen with its aspect kept, its
// coordinates, size and pointer unchanged.

#include "support/gl.h"
#include "support/screen.h"

#include "app/fullscreen.h"
#include "app/fullscreen_internal.h"
#include "app/input.h"
#include "app/window.h"
#include "render/quad_pipe.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

// The screen's pixel at (x, y) once it is `expected`, or as it is after a second: the shown frame
// reaches the X server after the swap returns.
static Rgba ScreenPixelOnce(int x, int y, const Rgba& expected)
{
    Rgba pixel = ScreenPixel(x, y);
    for (int i = 0; i < 100 && !(pixel == expected); i++) {
        glfwWaitEventsTimeout(0.01);
        pixel = ScreenPixel(x, y);
    }
    return pixel;
}

TEST(Fullscreen, ThePictureFillsTheScreenWithItsAspectAndThePointerReadsInItsCoordinates)
{
    OpenTestWindow(320, 240, "fullscreen-test");
    TestState lua;
    ASSERT_EQ(lua.Run("require('demohost').fullscreen(true)"), "");
    const GLFWvidmode* mode = glfwGetVideoMode(glfwGetPrimaryMonitor());
    for (int i = 0; i < 200; i++) {
        int width = 0;
        glfwGetFramebufferSize(WindowHandle(), &width, nullptr);
        if (width == mode->width)
            break;
        glfwWaitEventsTimeout(0.01);
    }
    EXPECT_EQ(lua.Run("local w, h = require('demohost').window() assert(w == 320 and h == 240)"),
              "");
    BeginTestFrame();
    ASSERT_EQ(lua.Run("DrawBoxWithColor(160, 120, 4, 4, 0, 0, 1, 0, 0, 1) "
                      "DrawBoxWithColor(10, 120, 4, 4, 0, 0, 0, 1, 0, 1)"),
              "");
    EndTestFrame();
    SwapBuffers();
    // 320 x 240 on 1024 x 768: 3.2 times, no bars; the box at (160, 120) in the middle and the
    // one at (10, 120) at x 32.
    double scale = std::min(mode->width / 320.0, mode->height / 240.0);
    double left = std::floor((mode->width - 320 * scale) / 2);
    double top = std::floor((mode->height - 240 * scale) / 2);
    int centre_x = static_cast<int>(left + 160 * scale);
    int centre_y = static_cast<int>(top + 120 * scale);
    EXPECT_EQ(ScreenPixelOnce(centre_x, centre_y, Rgba{255, 0, 0, 255}), (Rgba{255, 0, 0, 255}));
    Rgba green{0, 255, 0, 255};
    EXPECT_EQ(ScreenPixelOnce(static_cast<int>(left + 10 * scale), centre_y, green), green);
    EXPECT_EQ(ScreenPixel(static_cast<int>(left + 14 * scale), centre_y), kBlack);
    if (mode->width == 1024 && mode->height == 768) {
        EXPECT_EQ(centre_x, 512);
        EXPECT_EQ(static_cast<int>(left + 10 * scale), 32);
    }
    // Bars, where the aspects differ, are black.
    if (top >= 2) {
        EXPECT_EQ(ScreenPixel(centre_x, static_cast<int>(top) - 2), kBlack);
    }

    // The pointer at the middle of the screen reads as the middle of the script's window.
    std::string move = "xdotool mousemove " + std::to_string(centre_x) + " " +
                       std::to_string(centre_y);
    ASSERT_EQ(system(move.c_str()), 0);
    for (int i = 0; i < 100 && GetMouse().x != 160; i++)
        glfwWaitEventsTimeout(0.02);
    EXPECT_EQ(GetMouse().x, 160);
    EXPECT_EQ(GetMouse().y, 120);

    // And back to the window.
    ASSERT_EQ(lua.Run("require('demohost').fullscreen(false)"), "");
    EXPECT_FALSE(IsFullscreen());
    EXPECT_EQ(FullscreenPictureFramebuffer(), 0u);
}
