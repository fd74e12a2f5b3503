// The program's one window with its GL context, the base GL state, input and the quit request.
// State: `app_window`, process-wide.
#pragma once

struct GLFWwindow;

struct Window {
    GLFWwindow* handle = nullptr;  // null until OpenWindow succeeds
    bool quit_requested = false;   // set by Quit, never cleared
    // Never shown (demohost-capture): no input reaches it, keys read as up and the mouse as 0, 0.
    bool offscreen = false;
    // The pointer as the last processed events left it, so that it holds still during a frame.
    double cursor_x = 0, cursor_y = 0;
    // While a reloaded script starts: OpenWindow keeps the open window (resized to the new size).
    bool keep_open = false;
};

extern Window app_window;

struct MouseState {
    int x = 0;
    int y = 0;
    bool left = false;
    bool right = false;
};

// Creates the window (only once), loads GL entry points, sets the base state and pushes a
// pixel projection with (0, 0) at the top left. A second call prints the failure and then
// updates title, state and projection of the existing window.
void OpenWindow(int width, int height, const char* title);
void InitGlState();
// True while a window exists and has not been closed by the user.
bool WindowIsOpen();
// Whether the key of the first character of `key` is down; false for no or non-ASCII text.
bool GetKey(const char* key);
MouseState GetMouse();
void Quit();
// Shows the frame and processes window and input events.
void SwapBuffers();
