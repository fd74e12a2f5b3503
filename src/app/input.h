// Keys, the mouse and the wheel of the program's window, as the last processing of events left
// them. State: the pointer, the keys that went down and up and the wheel's turn, in input.cpp.
#pragma once

struct GLFWwindow;

struct MouseState {
    int x = 0;
    int y = 0;
    bool left = false;
    bool right = false;
};

// A key by name: the window library's code, and the other side's code for "shift", "ctrl" and
// "alt" (-1 for the others).
struct NamedKey {
    int key = -1;
    int other_side = -1;
};

// Follows the pointer, keys and wheel of a window that is shown.
void AttachInput(GLFWwindow* window);
// Before events are processed: what went down, up or turned is what that processing sees.
void BeginInputEvents();
// Whether the key of the first character of `key` is down; false for no or non-ASCII text.
bool GetKey(const char* key);
MouseState GetMouse();
// The key of the window library's code `key`: held as the last event processing left it, and
// whether it went down or up then. False without a shown window.
bool KeyHeld(int key);
bool KeyWentDown(int key);
// How often the key went down in the last event processing: taps quicker than a frame each count.
int KeyPresses(int key);
bool KeyWentUp(int key);
// How far the wheel turned in the last processing of events.
void WheelDelta(double& x, double& y);
// The key named `name`: a to z, 0 to 9, f1 to f12, or a name such as "space", "escape", "left",
// "shift" or "`"; false for any other name.
bool FindNamedKey(const char* name, NamedKey& key);
