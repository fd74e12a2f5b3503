// The program's one window with its GL context, the base GL state, input and the quit request.

#include "app/window.h"

#include "render/pipes.h"
#include "render/render_target.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

Window app_window;
// The size and title of the state set aside by a reload.
static struct {
    int width = 0, height = 0;
    std::string title;
} window_aside;

static_assert(kKeyCodes == GLFW_KEY_LAST + 1, "every key code has its bit");

// Larger sizes than X11 can address are refused like any other window that cannot be made.
static const int kMaxWindowSize = 16384;

// Reading the pointer live would ask the X server each time, and two reads in one frame could
// differ; it is kept as events report it instead.
static void OnCursorPos(GLFWwindow*, double x, double y)
{
    app_window.cursor_x = x;
    app_window.cursor_y = y;
}

// Presses and releases are kept as they come, so a press that begins and ends between two frames
// still shows; repeats are not presses.
static void OnKey(GLFWwindow*, int key, int, int action, int)
{
    if (key < 0 || key >= kKeyCodes)
        return;
    if (action == GLFW_PRESS)
        app_window.went_down.set(static_cast<size_t>(key));
    else if (action == GLFW_RELEASE)
        app_window.went_up.set(static_cast<size_t>(key));
}

static void OnScroll(GLFWwindow*, double dx, double dy)
{
    app_window.wheel_x += dx;
    app_window.wheel_y += dy;
}

// Where the picture lies on the screen in full screen: its scale and its top-left corner.
struct PictureRect {
    double scale, left, top;
};

static PictureRect PlacePicture(int width, int height)
{
    double scale = std::min(static_cast<double>(width) / app_window.width,
                            static_cast<double>(height) / app_window.height);
    return {scale, std::floor((width - app_window.width * scale) / 2),
            std::floor((height - app_window.height * scale) / 2)};
}

// The window library asserts on negative sizes; a size of 0 makes no window either.
static bool PossibleSize(int width, int height)
{
    return width > 0 && height > 0 && width <= kMaxWindowSize && height <= kMaxWindowSize;
}

static bool CreateWindow(int width, int height)
{
    if (app_window.handle || !PossibleSize(width, height))
        return false;
    glfwDefaultWindowHints();
    glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
    glfwWindowHint(GLFW_RED_BITS, 8);
    glfwWindowHint(GLFW_GREEN_BITS, 8);
    glfwWindowHint(GLFW_BLUE_BITS, 8);
    glfwWindowHint(GLFW_ALPHA_BITS, 0);
    glfwWindowHint(GLFW_DEPTH_BITS, 0);
    glfwWindowHint(GLFW_STENCIL_BITS, 0);
    glfwWindowHint(GLFW_VISIBLE, app_window.offscreen ? GLFW_FALSE : GLFW_TRUE);
    app_window.handle = glfwCreateWindow(width, height, "", nullptr, nullptr);
    if (!app_window.handle)
        return false;
    glfwMakeContextCurrent(app_window.handle);
    if (app_window.offscreen)
        return true;
    glfwGetCursorPos(app_window.handle, &app_window.cursor_x, &app_window.cursor_y);
    glfwSetCursorPosCallback(app_window.handle, OnCursorPos);
    glfwSetKeyCallback(app_window.handle, OnKey);
    glfwSetScrollCallback(app_window.handle, OnScroll);
    return true;
}

// A reloaded script's window: the open one, at the new size, with the state and projection set
// afresh (replaced, not pushed again).
static void KeepWindow(int width, int height, const char* title)
{
    int open_width = 0, open_height = 0;
    glfwGetWindowSize(app_window.handle, &open_width, &open_height);
    if (PossibleSize(width, height) && (width != open_width || height != open_height)) {
        glfwSetWindowSize(app_window.handle, width, height);
        glViewport(0, 0, width, height);
    }
    app_window.title = title ? title : "";
    glfwSetWindowTitle(app_window.handle, app_window.title.c_str());
    app_window.width = width;
    app_window.height = height;
    InitGlState();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, width, height, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void OpenWindow(int width, int height, const char* title)
{
    if (app_window.handle && app_window.keep_open) {
        KeepWindow(width, height, title);
        return;
    }
    if (!CreateWindow(width, height)) {
        printf("Error, could not create window.");
        // Without any window there is no context to set up.
        if (!app_window.handle)
            return;
    }
    app_window.title = title ? title : "";
    glfwSetWindowTitle(app_window.handle, app_window.title.c_str());
    app_window.width = width;
    app_window.height = height;
    // A window never shown has no display to keep pace with.
    glfwSwapInterval(app_window.offscreen ? 0 : 1);
    glewInit();
    InitGlState();

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, width, height, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

bool InitWindowLibrary()
{
    if (!app_window.library_ready)
        app_window.library_ready = glfwInit() == GLFW_TRUE;
    return app_window.library_ready;
}

void EndWindowLibrary()
{
    glfwTerminate();
    app_window.library_ready = false;
    app_window.handle = nullptr;
}

void SetWindowOffscreen(bool offscreen)
{
    app_window.offscreen = offscreen;
}

void SetWindowAside()
{
    app_window.keep_open = true;
    window_aside.width = app_window.width;
    window_aside.height = app_window.height;
    window_aside.title = app_window.title;
}

void ReleaseWindowAside()
{
    app_window.keep_open = false;
}

void PutWindowBack()
{
    bool changed = app_window.width != window_aside.width ||
                   app_window.height != window_aside.height || app_window.title != window_aside.title;
    if (app_window.handle && changed)
        KeepWindow(window_aside.width, window_aside.height, window_aside.title.c_str());
    app_window.keep_open = false;
}

void InitGlState()
{
    glShadeModel(GL_SMOOTH);
    glClearColor(0, 0, 0, 1);
    glClearDepth(1);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_DEPTH_TEST);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glCullFace(GL_BACK);
    glEnable(GL_CULL_FACE);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_LINE_SMOOTH);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glLineWidth(1);
}

bool WindowIsOpen()
{
    return app_window.handle && !glfwWindowShouldClose(app_window.handle);
}

bool GetKey(const char* key)
{
    if (!app_window.handle || app_window.offscreen || !key)
        return false;
    // Empty text and bytes of 128 and above name no key.
    unsigned char first = static_cast<unsigned char>(key[0]);
    if (first == 0 || first >= 128)
        return false;
    return glfwGetKey(app_window.handle, toupper(first)) == GLFW_PRESS;
}

MouseState GetMouse()
{
    MouseState mouse;
    if (!app_window.handle || app_window.offscreen)
        return mouse;
    double x = app_window.cursor_x, y = app_window.cursor_y;
    // In full screen the pointer is read in the script's coordinates.
    if (app_window.fullscreen) {
        int width = 0, height = 0;
        glfwGetFramebufferSize(app_window.handle, &width, &height);
        PictureRect place = PlacePicture(width, height);
        x = (x - place.left) / place.scale;
        y = (y - place.top) / place.scale;
    }
    mouse.x = static_cast<int>(std::floor(x));
    mouse.y = static_cast<int>(std::floor(y));
    mouse.left = glfwGetMouseButton(app_window.handle, GLFW_MOUSE_BUTTON_LEFT) == GLFW_PRESS;
    mouse.right = glfwGetMouseButton(app_window.handle, GLFW_MOUSE_BUTTON_RIGHT) == GLFW_PRESS;
    return mouse;
}

void Quit()
{
    app_window.quit_requested = true;
}

bool QuitRequested()
{
    return app_window.quit_requested;
}

// Scales the frame's picture onto the screen, black around it.
static void PresentPicture()
{
    int width = 0, height = 0;
    glfwGetFramebufferSize(app_window.handle, &width, &height);
    PictureRect place = PlacePicture(width, height);
    auto right = static_cast<GLint>(std::lround(place.left + app_window.width * place.scale));
    auto bottom = static_cast<GLint>(std::lround(place.top + app_window.height * place.scale));
    // GL counts rows from the bottom: the picture's top-left corner goes `top` below the top.
    auto left = static_cast<GLint>(place.left);
    GLint low = height - bottom, high = height - static_cast<GLint>(place.top);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    glViewport(0, 0, width, height);
    // A software renderer takes a window's new size at a swap: the first frame at the screen's
    // size would go to a buffer of the old one, so a black one is shown first.
    if (width != app_window.presented_width || height != app_window.presented_height) {
        glClear(GL_COLOR_BUFFER_BIT);
        glfwSwapBuffers(app_window.handle);
        app_window.presented_width = width;
        app_window.presented_height = height;
    }
    glClear(GL_COLOR_BUFFER_BIT);
    glBindFramebufferEXT(GL_READ_FRAMEBUFFER_EXT, app_window.picture_framebuffer);
    glBlitFramebufferEXT(0, 0, app_window.width, app_window.height, left, low, right, high,
                         GL_COLOR_BUFFER_BIT, GL_LINEAR);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, app_window.picture_framebuffer);
    glViewport(0, 0, app_window.width, app_window.height);
}

void SwapBuffers()
{
    if (app_window.fullscreen)
        PresentPicture();
    glfwSwapBuffers(app_window.handle);
    // What went down, up or turned is what this processing of events sees.
    app_window.went_down.reset();
    app_window.went_up.reset();
    app_window.wheel_x = app_window.wheel_y = 0;
    glfwPollEvents();
}

// Keys read as up in a window never shown (demohost-capture's).
static bool KeysReadable(int key)
{
    return app_window.handle && !app_window.offscreen && key >= 0 && key < kKeyCodes;
}

bool KeyHeld(int key)
{
    return KeysReadable(key) && glfwGetKey(app_window.handle, key) == GLFW_PRESS;
}

bool KeyWentDown(int key)
{
    return KeysReadable(key) && app_window.went_down.test(static_cast<size_t>(key));
}

bool KeyWentUp(int key)
{
    return KeysReadable(key) && app_window.went_up.test(static_cast<size_t>(key));
}

// The monitor under the window's centre; the primary one when none is.
static GLFWmonitor* MonitorOfWindow()
{
    int x = 0, y = 0, width = 0, height = 0, count = 0;
    glfwGetWindowPos(app_window.handle, &x, &y);
    glfwGetWindowSize(app_window.handle, &width, &height);
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

void SetFullscreen(bool on)
{
    if (!app_window.handle || app_window.offscreen || on == app_window.fullscreen ||
        !glGenFramebuffersEXT || !glBlitFramebufferEXT)
        return;
    FlushPipes();
    if (on) {
        GLFWmonitor* monitor = MonitorOfWindow();
        const GLFWvidmode* mode = monitor ? glfwGetVideoMode(monitor) : nullptr;
        if (!mode)
            return;
        glfwGetWindowPos(app_window.handle, &app_window.windowed_x, &app_window.windowed_y);
        glfwSetWindowMonitor(app_window.handle, monitor, 0, 0, mode->width, mode->height,
                             mode->refreshRate);
        MakePictureFramebuffer(app_window.width, app_window.height, app_window.picture_framebuffer,
                               app_window.picture_texture);
        app_window.windowed_framebuffer = WindowFramebuffer();
        SetWindowFramebuffer(app_window.picture_framebuffer);
    } else {
        glfwSetWindowMonitor(app_window.handle, nullptr, app_window.windowed_x,
                             app_window.windowed_y, app_window.width, app_window.height, 0);
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, app_window.windowed_framebuffer);
        glDeleteFramebuffersEXT(1, &app_window.picture_framebuffer);
        glDeleteTextures(1, &app_window.picture_texture);
        app_window.picture_framebuffer = app_window.picture_texture = 0;
        SetWindowFramebuffer(app_window.windowed_framebuffer);
    }
    app_window.fullscreen = on;
    glViewport(0, 0, app_window.width, app_window.height);
}
