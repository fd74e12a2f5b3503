// The window: its size, base state, pixel projection and a second OpenWindow.

#include "support/gl.h"

#include "app/input.h"
#include "app/window.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

// A one-pixel white square with its top-left corner at (x, y) in projection units.
static void DrawUnitSquare(float x, float y)
{
    glBindTexture(GL_TEXTURE_2D, 0);
    glColor4f(1, 1, 1, 1);
    glBegin(GL_QUADS);
    glVertex2f(x, y + 1);
    glVertex2f(x + 1, y + 1);
    glVertex2f(x + 1, y);
    glVertex2f(x, y);
    glEnd();
}

TEST(Window, DrawingAreaHasTheRequestedSizeAndClearsToOpaqueBlack)
{
    OpenTestWindow(800, 600);
    ASSERT_TRUE(WindowIsOpen());
    int width = 0, height = 0;
    glfwGetFramebufferSize(WindowHandle(), &width, &height);
    EXPECT_EQ(width, 800);
    EXPECT_EQ(height, 600);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 800);
    EXPECT_EQ(viewport[3], 600);

    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    InitGlState();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    EXPECT_EQ(ReadPixel(0, 0), kBlack);
    EXPECT_EQ(ReadPixel(799, 599), kBlack);
}

TEST(Window, ProjectionPutsTheOriginAtTheTopLeftPixel)
{
    OpenTestWindow(800, 600);
    glClear(GL_COLOR_BUFFER_BIT);
    DrawUnitSquare(0, 0);
    DrawUnitSquare(799, 599);
    EXPECT_EQ(ReadPixel(0, 0), kWhite);
    EXPECT_EQ(ReadPixel(1, 0), kBlack);
    EXPECT_EQ(ReadPixel(0, 1), kBlack);
    EXPECT_EQ(ReadPixel(799, 599), kWhite);
    EXPECT_EQ(ReadPixel(799, 0), kBlack);
}

TEST(Window, SecondOpenWindowKeepsTheWindowAndPushesANewProjection)
{
    OpenTestWindow(800, 600);
    GLFWwindow* first = WindowHandle();
    testing::internal::CaptureStdout();
    OpenWindow(400, 300, "second");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error, could not create window.");
    EXPECT_EQ(WindowHandle(), first);

    // Half the size in projection units: (200, 150) is now the window's centre pixel (400, 300).
    glClear(GL_COLOR_BUFFER_BIT);
    DrawUnitSquare(200, 150);
    EXPECT_EQ(ReadPixel(400, 300), kWhite);
    EXPECT_EQ(ReadPixel(401, 301), kWhite);
    EXPECT_EQ(ReadPixel(399, 299), kBlack);
    EXPECT_EQ(ReadPixel(402, 302), kBlack);
}

TEST(Window, SizesThatMakeNoWindowAreReportedNotFatal)
{
    glfwInit();
    testing::internal::CaptureStdout();
    OpenWindow(0, -5, nullptr);
    OpenWindow(-1, 10, "negative");
    OpenWindow(100, 0, "empty");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), 
              "Error, could not create window.Error, could not create window."
              "Error, could not create window.");
    EXPECT_FALSE(WindowIsOpen());
    EXPECT_FALSE(GetKey("a"));
    MouseState mouse = GetMouse();
    EXPECT_EQ(mouse.x, 0);
    EXPECT_EQ(mouse.y, 0);
}
