// Full screen: the script's picture scaled onto the monitor's mode at each swap.

#include "app/fullscreen.h"

#include "app/fullscreen_internal.h"
#include "app/window.h"
#include "render/gl_context.h"
#include "render/pipes.h"
#include "render/render_target.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <algorithm>
#include <cmath>

static struct {
    bool on = false;
    unsigned picture_framebuffer = 0, picture_texture = 0;
    // Where the window stood, and where drawing went before full screen.
    int windowed_x = 0, windowed_y = 0;
    unsigned windowed_framebuffer = 0;
    // The screen size last shown in full screen.
    int presented_width = 0, presented_height = 0;
} fullscreen;

// Where the picture lies on the screen in full screen: its scale and its top-left corner.
struct PictureRect {
    double scale, left, top;
};

static PictureRect PlacePicture(int screen_width, int screen_height)
{
    int width = 0, height = 0;
    WindowSize(width, height);
    double scale = std::min(static_cast<double>(screen_width) / width,
                            static_cast<double>(screen_height) / height);
    return {scale, std::floor((screen_width - width * scale) / 2),
            std::floor((screen_height - height * scale) / 2)};
}

bool IsFullscreen()
{
    return fullscreen.on;
}

unsigned FullscreenPictureFramebuffer()
{
    return fullscreen.picture_framebuffer;
}

void WindowToScript(double& x, double& y)
{
    if (!fullscreen.on)
        return;
    int width = 0, height = 0;
    glfwGetFramebufferSize(WindowHandle(), &width, &height);
    PictureRect place = PlacePicture(width, height);
    x = (x - place.left) / place.scale;
    y = (y - place.top) / place.scale;
}

void PresentFullscreen()
{
    GLFWwindow* window = WindowHandle();
    int picture_width = 0, picture_height = 0;
    WindowSize(picture_width, picture_height);
    int width = 0, height = 0;
    glfwGetFramebufferSize(window, &width, &height);
    PictureRect place = PlacePicture(width, height);
    auto right = static_cast<GLint>(std::lround(place.left + picture_width * place.scale));
    auto bottom = static_cast<GLint>(std::lround(place.top + picture_height * place.scale));
    // GL counts rows from the bottom: the picture's top-left corner goes `top` below the top.
    auto left = static_cast<GLint>(place.left);
    GLint low = height - bottom, high = height - static_cast<GLint>(place.top);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    glViewport(0, 0, width, height);
    // A software renderer takes a window's new size at a swap: the first frame at the screen's
    // size would go to a buffer of the old one, so a black one is shown first.
    if (width != fullscreen.presented_width || height != fullscreen.presented_height) {
        glClear(GL_COLOR_BUFFER_BIT);
        glfwSwapBuffers(window);
        fullscreen.presented_width = width;
        fullscreen.presented_height = height;
    }
    glClear(GL_COLOR_BUFFER_BIT);
    glBindFramebufferEXT(GL_READ_FRAMEBUFFER_EXT, fullscreen.picture_framebuffer);
    glBlitFramebufferEXT(0, 0, picture_width, picture_height, left, low, right, high,
                         GL_COLOR_BUFFER_BIT, GL_LINEAR);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, fullscreen.picture_framebuffer);
    glViewport(0, 0, picture_width, picture_height);
}

// The monitor under the window's centre; the primary one when none is.
static GLFWmonitor* MonitorOfWindow(GLFWwindow* window)
{
    int x = 0, y = 0, width = 0, height = 0, count = 0;
    glfwGetWindowPos(window, &x, &y);
    glfwGetWindowSize(window, &width, &height);
    GLFWmonitor** monitors = glfwGetMonitors(&count);
    for (int i = 0; i < count; i++) {
        const GLFWvidmode* mode = glfwGetVideoMode(monitors[i]);
        int mx = 0, my = 0;
        glfwGetMonitorPos(monitors[i], &mx, &my);
        int cx = x + width / 2, cy = y + height / 2;
        if (mode && cx >= mx && cx < mx + mode->width && cy >= my && cy < my + mode->height)
            return monitors[i];
    }
    return glfwGetPrimaryMonitor();
}

static bool EnterFullscreen(GLFWwindow* window, int width, int height)
{
    GLFWmonitor* monitor = MonitorOfWindow(window);
    const GLFWvidmode* mode = monitor ? glfwGetVideoMode(monitor) : nullptr;
    if (!mode)
        return false;
    glfwGetWindowPos(window, &fullscreen.windowed_x, &fullscreen.windowed_y);
    glfwSetWindowMonitor(window, monitor, 0, 0, mode->width, mode->height, mode->refreshRate);
    MakePictureFramebuffer(width, height, fullscreen.picture_framebuffer,
                           fullscreen.picture_texture);
    fullscreen.windowed_framebuffer = WindowFramebuffer();
    SetWindowFramebuffer(fullscreen.picture_framebuffer);
    return true;
}

static void LeaveFullscreen(GLFWwindow* window, int width, int height)
{
    glfwSetWindowMonitor(window, nullptr, fullscreen.windowed_x, fullscreen.windowed_y, width,
                         height, 0);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, fullscreen.windowed_framebuffer);
    glDeleteFramebuffersEXT(1, &fullscreen.picture_framebuffer);
    glDeleteTextures(1, &fullscreen.picture_texture);
    fullscreen.picture_framebuffer = fullscreen.picture_texture = 0;
    SetWindowFramebuffer(fullscreen.windowed_framebuffer);
}

void SetFullscreen(bool on)
{
    GLFWwindow* window = WindowHandle();
    if (!window || WindowOffscreen() || on == fullscreen.on || !CurrentGl().blit)
        return;
    FlushPipes();
    int width = 0, height = 0;
    WindowSize(width, height);
    if (on && !EnterFullscreen(window, width, height))
        return;
    if (!on)
        LeaveFullscreen(window, width, height);
    fullscreen.on = on;
    glViewport(0, 0, width, height);
}
