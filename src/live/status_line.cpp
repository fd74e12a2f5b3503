// The status line of demohost-live.

#include "live/status_line.h"

#include "audio/music.h"
#include "live/live_reload.h"

#include <GLFW/glfw3.h>

#include <cstdio>

bool LiveOutput::Begin(const BitmapFont* default_font)
{
    font_ = default_font;
    return true;
}

void LiveOutput::MakeStatusText()
{
    double position = 0, length = 0;
    char line[64];
    if (MusicPosition(position, length))
        snprintf(line, sizeof line, "%.1f / %.1f s", position, length);
    else
        snprintf(line, sizeof line, "%.1f s", reload_.TrackTime());
    text_ = line;
    if (reload_.Paused())
        text_ += "   paused";
    if (reload_.EditorConnected())
        text_ += "   editor";
    if (!reload_.LastError().empty())
        text_ += "\n" + reload_.LastError();
}

bool LiveOutput::FrameDrawn()
{
    if (!font_)
        return true;
    int width = 0, height = 0;
    if (GLFWwindow* window = glfwGetCurrentContext())
        glfwGetWindowSize(window, &width, &height);
    MakeStatusText();
    MakeText(*font_, text_, width > 40 ? width - 20 : -1, mesh_);
    DrawTextMesh(mesh_, 10, 10, 1, 0.9f, 0.3f, 1);
    panel_.Draw(*font_, width, height, 10 + mesh_.lines * font_->lineHeight + 10);
    return true;
}
