// Keys and the mouse as scripts read them, driven by xdotool on the test display.

#include "support/gl.h"

#include "app/input.h"
#include "app/window.h"

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <cstdlib>

// Processes window events until `done` holds or two seconds pass.
template <typename Condition>
static bool PollUntil(Condition done)
{
    double deadline = glfwGetTime() + 2;
    while (!done() && glfwGetTime() < deadline)
        glfwWaitEventsTimeout(0.05);
    return done();
}

TEST(Input, ScriptsSeeTheKeyAndTheMouse)
{
    OpenTestWindow(320, 240, "input-test");
    TestState lua;
    glfwPollEvents();
    ASSERT_EQ(system("xdotool search --sync --name '^input-test$' "
                     "mousemove --window %1 30 40 mousedown 1 keydown a"),
              0);
    ASSERT_TRUE(PollUntil([] { return GetKey("a"); }));
    ASSERT_TRUE(PollUntil([] { return GetMouse().left; }));

    EXPECT_EQ(lua.Run(R"(
        assert(GetKey("a") and GetKey("A") and GetKey("apple"), "A key")
        assert(not GetKey("b") and not GetKey("") and not GetKey() and not GetKey("\200"))
        local x, y, left, right = GetMouse()
        assert(x == 30 and y == 40, "position " .. x .. ", " .. y)
        assert(left == true and right == false, "buttons")
    )"), "");

    ASSERT_EQ(system("xdotool keyup a mouseup 1 mousedown 3"), 0);
    ASSERT_TRUE(PollUntil([] { return !GetKey("a") && GetMouse().right; }));
    EXPECT_EQ(lua.Run(R"(
        local x, y, left, right = GetMouse()
        assert(not left and right, "right button")
        assert(not GetKey("a"))
    )"), "");
    ASSERT_EQ(system("xdotool mouseup 3"), 0);
}

TEST(Input, ThePointerHoldsStillUntilEventsAreProcessed)
{
    OpenTestWindow(320, 240, "still-test");
    TestState lua;
    ASSERT_EQ(system("xdotool search --sync --name '^still-test$' mousemove --window %1 10 20"), 0);
    ASSERT_TRUE(PollUntil([] { return GetMouse().x == 10 && GetMouse().y == 20; }));
    // The pointer moves while a frame runs: the frame keeps seeing where it was.
    ASSERT_EQ(system("xdotool search --name '^still-test$' mousemove --window %1 50 60 sleep 0.2"),
              0);
    EXPECT_EQ(lua.Run("local x, y = GetMouse() assert(x == 10 and y == 20, x .. ', ' .. y)"), "");
    ASSERT_TRUE(PollUntil([] { return GetMouse().x == 50 && GetMouse().y == 60; }));
}

TEST(Input, NoWindowReadsReleasedAtTheOrigin)
{
    TestState lua;
    EXPECT_EQ(lua.Run(R"(
        assert(GetKey("a") == false)
        local x, y, left, right = GetMouse()
        assert(x == 0 and y == 0 and left == false and right == false)
    )"), "");
}
