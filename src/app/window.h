// The program's one window with its GL context, the base GL state, input and the quit request.
// State: `app_window`, process-wide, and the size and title of a state set aside by a reload.
#pragma once

#include <bitset>
#include <string>

struct GLFWwindow;

const int kKeyCodes = 349;  // the window library's key codes are below this (GLFW_KEY_LAST + 1)

struct Window {
    bool library_ready = false;    // the window library has started
    GLFWwindow* handle = nullptr;  // null until OpenWindow succeeds
    bool quit_requested = false;   // set by Quit, never cleared
    // Never shown (demohost-capture): no input reaches it, keys read as up and the mouse as 0, 0.
    bool offscreen = false;
    // The pointer as the last processed events left it, so that it holds still during a frame.
    double cursor_x = 0, cursor_y = 0;
    // While a reloaded script starts: OpenWindow keeps the open window (resized to the new size).
    bool keep_open = false;
    // The size OpenWindow was given: the script's coordinates; and the title.
    int width = 0, height = 0;
    std::string title;
    // What the last event processing saw, by the window library's key codes: keys that went down
    // and up (a press shorter than a frame counts too), and how far the wheel turned.
    std::bitset<kKeyCodes> went_down, went_up;
    double wheel_x = 0, wheel_y = 0;
    // Full screen: the script draws into a picture of its own size, which each swap scales onto
    // the screen with its aspect kept (black bars where it differs). Where the window stood.
    bool fullscreen = false;
    unsigned picture_framebuffer = 0, picture_texture = 0;
    int windowed_x = 0, windowed_y = 0;
    // Where drawing went before full screen, and the screen size last shown in it.
    unsigned windowed_framebuffer = 0;
    int presented_width = 0, presented_height = 0;
};

extern Window app_window;

struct MouseState {
    int x = 0;
    int y = 0;
    bool left = false;
    bool right = false;
};

// Starts the window library once (later calls only answer); false when there is no display.
bool InitWindowLibrary();
// Closes the window and ends the window library.
void EndWindowLibrary();
// Before any OpenWindow: a window never shown (demohost-capture's) takes no input.
void SetWindowOffscreen(bool offscreen);
// Creates the window (only once), loads GL entry points, sets the base state and pushes a
// pixel projection with (0, 0) at the top left. A second call prints the failure and then
// updates title, state and projection of the existing window.
void OpenWindow(int width, int height, const char* title);
// A reload: while the new state starts, its OpenWindow keeps the open window (at the new size
// and title). When the new state fails, the old one's size and title come back.
void SetWindowAside();
void ReleaseWindowAside();
void PutWindowBack();
void InitGlState();
// True while a window exists and has not been closed by the user.
bool WindowIsOpen();
// Whether the key of the first character of `key` is down; false for no or non-ASCII text.
bool GetKey(const char* key);
MouseState GetMouse();
// The key of the window library's code `key`: held as the last event processing left it, and
// whether it went down or up then. False without a shown window.
bool KeyHeld(int key);
bool KeyWentDown(int key);
bool KeyWentUp(int key);
void Quit();
// Whether Quit has been called.
bool QuitRequested();
// Shows the frame and processes window and input events.
void SwapBuffers();
// Full screen on the monitor the window is on, and back; the script's coordinates stay. Nothing
// happens without a shown window.
void SetFullscreen(bool on);
