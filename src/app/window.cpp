// The program's one window with its GL context, the base GL state, input and the quit request.

#include "app/window.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <cctype>
#include <cstdio>

Window app_window;

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

static bool CreateWindow(int width, int height)
{
    // The window library asserts on negative sizes; a size of 0 makes no window either.
    if (app_window.handle || width <= 0 || height <= 0 || width > kMaxWindowSize ||
        height > kMaxWindowSize)
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
    if (width > 0 && height > 0 && width <= kMaxWindowSize && height <= kMaxWindowSize &&
        (width != open_width || height != open_height)) {
        glfwSetWindowSize(app_window.handle, width, height);
        glViewport(0, 0, width, height);
    }
    glfwSetWindowTitle(app_window.handle, title ? title : "");
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
    glfwSetWindowTitle(app_window.handle, title ? title : "");
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
    mouse.x = static_cast<int>(app_window.cursor_x);
    mouse.y = static_cast<int>(app_window.cursor_y);
    mouse.left = glfwGetMouseButton(app_window.handle, GLFW_MOUSE_BUTTON_LEFT) == GLFW_PRESS;
    mouse.right = glfwGetMouseButton(app_window.handle, GLFW_MOUSE_BUTTON_RIGHT) == GLFW_PRESS;
    return mouse;
}

void Quit()
{
    app_window.quit_requested = true;
}

void SwapBuffers()
{
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
