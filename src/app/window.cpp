// The program's one window with its GL context, the base GL state, the swap and the quit request.

#include "app/window.h"

#include "app/fullscreen.h"
#include "app/input.h"
#include "render/gl_context.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <cstdio>

static struct {
    bool library_ready = false;    // the window library has started
    GLFWwindow* handle = nullptr;  // null until OpenWindow succeeds
    bool quit_requested = false;   // set by Quit, never cleared
    // Never shown (demohost-capture): no input reaches it, keys read as up and the mouse as 0, 0.
    bool offscreen = false;
    // While a reloaded script starts: OpenWindow keeps the open window (resized to the new size).
    bool keep_open = false;
    // The size OpenWindow was given: the script's coordinates; and the title.
    int width = 0, height = 0;
    std::string title;
    // The size and title of the state set aside by a reload.
    int aside_width = 0, aside_height = 0;
    std::string aside_title;
} window;

// Larger sizes than X11 can address are refused like any other window that cannot be made.
static const int kMaxWindowSize = 16384;

// The window library asserts on negative sizes; a size of 0 makes no window either.
static bool PossibleSize(int width, int height)
{
    return width > 0 && height > 0 && width <= kMaxWindowSize && height <= kMaxWindowSize;
}

static bool CreateWindow(int width, int height)
{
    if (window.handle || !PossibleSize(width, height))
        return false;
    glfwDefaultWindowHints();
    glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
    glfwWindowHint(GLFW_RED_BITS, 8);
    glfwWindowHint(GLFW_GREEN_BITS, 8);
    glfwWindowHint(GLFW_BLUE_BITS, 8);
    glfwWindowHint(GLFW_ALPHA_BITS, 0);
    glfwWindowHint(GLFW_DEPTH_BITS, 0);
    glfwWindowHint(GLFW_STENCIL_BITS, 0);
    glfwWindowHint(GLFW_VISIBLE, window.offscreen ? GLFW_FALSE : GLFW_TRUE);
    window.handle = glfwCreateWindow(width, height, "", nullptr, nullptr);
    if (!window.handle)
        return false;
    glfwMakeContextCurrent(window.handle);
    if (!window.offscreen)
        AttachInput(window.handle);
    return true;
}

static void SetTitleAndSize(int width, int height, const char* title)
{
    window.title = title ? title : "";
    glfwSetWindowTitle(window.handle, window.title.c_str());
    window.width = width;
    window.height = height;
}

// A reloaded script's window: the open one, at the new size, with the state and projection set
// afresh (replaced, not pushed again).
static void KeepWindow(int width, int height, const char* title)
{
    int open_width = 0, open_height = 0;
    glfwGetWindowSize(window.handle, &open_width, &open_height);
    if (PossibleSize(width, height) && (width != open_width || height != open_height)) {
        glfwSetWindowSize(window.handle, width, height);
        glViewport(0, 0, width, height);
    }
    SetTitleAndSize(width, height, title);
    InitGlState();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, width, height, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void OpenWindow(int width, int height, const char* title)
{
    if (window.handle && window.keep_open) {
        KeepWindow(width, height, title);
        return;
    }
    if (!CreateWindow(width, height)) {
        printf("Error, could not create window.");
        // Without any window there is no context to set up.
        if (!window.handle)
            return;
    }
    SetTitleAndSize(width, height, title);
    // A window never shown has no display to keep pace with.
    glfwSwapInterval(window.offscreen ? 0 : 1);
    glewInit();
    RecordGlContext();
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
    if (!window.library_ready)
        window.library_ready = glfwInit() == GLFW_TRUE;
    return window.library_ready;
}

void EndWindowLibrary()
{
    glfwTerminate();
    ForgetGlContext();
    window.library_ready = false;
    window.handle = nullptr;
}

void SetWindowOffscreen(bool offscreen)
{
    window.offscreen = offscreen;
}

void SetWindowAside()
{
    window.keep_open = true;
    window.aside_width = window.width;
    window.aside_height = window.height;
    window.aside_title = window.title;
}

void ReleaseWindowAside()
{
    window.keep_open = false;
}

void PutWindowBack()
{
    bool changed = window.width != window.aside_width || window.height != window.aside_height ||
                   window.title != window.aside_title;
    if (window.handle && changed)
        KeepWindow(window.aside_width, window.aside_height, window.aside_title.c_str());
    window.keep_open = false;
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
    return window.handle && !glfwWindowShouldClose(window.handle);
}

GLFWwindow* WindowHandle()
{
    return window.handle;
}

bool WindowOffscreen()
{
    return window.offscreen;
}

void WindowSize(int& width, int& height)
{
    width = window.width;
    height = window.height;
}

const std::string& WindowTitle()
{
    return window.title;
}

void Quit()
{
    window.quit_requested = true;
}

bool QuitRequested()
{
    return window.quit_requested;
}

void SwapBuffers()
{
    if (IsFullscreen())
        PresentFullscreen();
    glfwSwapBuffers(window.handle);
    BeginInputEvents();
    glfwPollEvents();
}
