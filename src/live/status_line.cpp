// The status line of demohost-live.

#include "live/status_line.h"

#include <GLFW/glfw3.h>

#include <cstdio>

bool LiveOutput::Begin(const BitmapFont* default_font)
{
    font_ = default_font;
    return true;
}

bool LiveOutput::FrameDrawn()
{
    if (!font_)
        return true;
    int width = 0, height = 0;
    if (GLFWwindow* window = glfwGetCurrentContext())
        glfwGetWindowSize(window, &width, &height);
    char position[64];
    if (status.length > 0)
        snprintf(position, sizeof position, "%.1f / %.1f s", status.position, status.length);
    else
        snprintf(position, sizeof position, "%.1f s", status.position);
    text_ = position;
    if (status.paused)
        text_ += "   paused";
    if (status.editor)
        text_ += "   editor";
    if (!status.error.empty())
        text_ += "\n" + status.error;
    MakeText(*font_, text_, width > 40 ? width - 20 : -1, mesh_);
    DrawTextMesh(mesh_, 10, 10, 1, 0.9f, 0.3f, 1);
    return true;
}
