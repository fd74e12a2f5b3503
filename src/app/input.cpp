// Keys, the mouse and the wheel, kept as the window library's events report them.

#include "app/input.h"

#include "app/fullscreen.h"
#include "app/window.h"

#include <GLFW/glfw3.h>

#include <bitset>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

const int kKeyCodes = GLFW_KEY_LAST + 1;

static struct {
    // The pointer as the last processed events left it, so that it holds still during a frame.
    double cursor_x = 0, cursor_y = 0;
    // What the last event processing saw, by the window library's key codes: how often each key
    // went down, which went up (a press shorter than a frame counts too), and how far the wheel
    // turned.
    uint8_t presses[kKeyCodes] = {};
    std::bitset<kKeyCodes> went_up;
    double wheel_x = 0, wheel_y = 0;
} input;

// Reading the pointer live would ask the X server each time, and two reads in one frame could
// differ; it is kept as events report it instead.
static void OnCursorPos(GLFWwindow*, double x, double y)
{
    input.cursor_x = x;
    input.cursor_y = y;
}

// Presses and releases are kept as they come, so a press that begins and ends between two frames
// still shows; repeats are not presses.
static void OnKey(GLFWwindow*, int key, int, int action, int)
{
    if (key < 0 || key >= kKeyCodes)
        return;
    if (action == GLFW_PRESS && input.presses[key] < UINT8_MAX)
        input.presses[key]++;
    else if (action == GLFW_RELEASE)
        input.went_up.set(static_cast<size_t>(key));
}

static void OnScroll(GLFWwindow*, double dx, double dy)
{
    input.wheel_x += dx;
    input.wheel_y += dy;
}

void AttachInput(GLFWwindow* window)
{
    glfwGetCursorPos(window, &input.cursor_x, &input.cursor_y);
    glfwSetCursorPosCallback(window, OnCursorPos);
    glfwSetKeyCallback(window, OnKey);
    glfwSetScrollCallback(window, OnScroll);
}

void BeginInputEvents()
{
    memset(input.presses, 0, sizeof input.presses);
    input.went_up.reset();
    input.wheel_x = input.wheel_y = 0;
}

// The window input comes from: none while no window is shown (demohost-capture's never is).
static GLFWwindow* ShownWindow()
{
    return WindowOffscreen() ? nullptr : WindowHandle();
}

bool GetKey(const char* key)
{
    GLFWwindow* window = ShownWindow();
    if (!window || !key)
        return false;
    // Empty text and bytes of 128 and above name no key.
    unsigned char first = static_cast<unsigned char>(key[0]);
    if (first == 0 || first >= 128)
        return false;
    return glfwGetKey(window, toupper(first)) == GLFW_PRESS;
}

MouseState GetMouse()
{
    MouseState mouse;
    GLFWwindow* window = ShownWindow();
    if (!window)
        return mouse;
    double x = input.cursor_x, y = input.cursor_y;
    WindowToScript(x, y);
    mouse.x = static_cast<int>(std::floor(x));
    mouse.y = static_cast<int>(std::floor(y));
    mouse.left = glfwGetMouseButton(window, GLFW_MOUSE_BUTTON_LEFT) == GLFW_PRESS;
    mouse.right = glfwGetMouseButton(window, GLFW_MOUSE_BUTTON_RIGHT) == GLFW_PRESS;
    return mouse;
}

static bool KeysReadable(int key)
{
    return ShownWindow() && key >= 0 && key < kKeyCodes;
}

bool KeyHeld(int key)
{
    return KeysReadable(key) && glfwGetKey(WindowHandle(), key) == GLFW_PRESS;
}

int KeyPresses(int key)
{
    return KeysReadable(key) ? input.presses[key] : 0;
}

bool KeyWentDown(int key)
{
    return KeyPresses(key) > 0;
}

bool KeyWentUp(int key)
{
    return KeysReadable(key) && input.went_up.test(static_cast<size_t>(key));
}

void WheelDelta(double& x, double& y)
{
    x = input.wheel_x;
    y = input.wheel_y;
}

// Key names beyond letters, digits and function keys; "shift", "ctrl" and "alt" read either side.
struct KeyNameEntry {
    const char* name;
    NamedKey key;
};

static const KeyNameEntry kNamedKeys[] = {
    {"space", {GLFW_KEY_SPACE}},         {"escape", {GLFW_KEY_ESCAPE}},
    {"enter", {GLFW_KEY_ENTER}},         {"tab", {GLFW_KEY_TAB}},
    {"backspace", {GLFW_KEY_BACKSPACE}}, {"insert", {GLFW_KEY_INSERT}},
    {"delete", {GLFW_KEY_DELETE}},       {"home", {GLFW_KEY_HOME}},
    {"end", {GLFW_KEY_END}},             {"pageup", {GLFW_KEY_PAGE_UP}},
    {"pagedown", {GLFW_KEY_PAGE_DOWN}},  {"left", {GLFW_KEY_LEFT}},
    {"right", {GLFW_KEY_RIGHT}},         {"up", {GLFW_KEY_UP}},
    {"down", {GLFW_KEY_DOWN}},           {"shift", {GLFW_KEY_LEFT_SHIFT, GLFW_KEY_RIGHT_SHIFT}},
    {"ctrl", {GLFW_KEY_LEFT_CONTROL, GLFW_KEY_RIGHT_CONTROL}},
    {"alt", {GLFW_KEY_LEFT_ALT, GLFW_KEY_RIGHT_ALT}},
    {"`", {GLFW_KEY_GRAVE_ACCENT}},      {"-", {GLFW_KEY_MINUS}},
    {"=", {GLFW_KEY_EQUAL}},             {"[", {GLFW_KEY_LEFT_BRACKET}},
    {"]", {GLFW_KEY_RIGHT_BRACKET}},     {"\\", {GLFW_KEY_BACKSLASH}},
    {";", {GLFW_KEY_SEMICOLON}},         {"'", {GLFW_KEY_APOSTROPHE}},
    {",", {GLFW_KEY_COMMA}},             {".", {GLFW_KEY_PERIOD}},
    {"/", {GLFW_KEY_SLASH}},
};

bool FindNamedKey(const char* name, NamedKey& key)
{
    size_t length = strlen(name);
    if (length == 1 && name[0] >= 'a' && name[0] <= 'z') {
        key = {GLFW_KEY_A + (name[0] - 'a')};
        return true;
    }
    if (length == 1 && name[0] >= '0' && name[0] <= '9') {
        key = {GLFW_KEY_0 + (name[0] - '0')};
        return true;
    }
    if (name[0] == 'f' && length >= 2 && length <= 3) {
        int number = atoi(name + 1);
        if (number >= 1 && number <= 12 && std::to_string(number) == name + 1) {
            key = {GLFW_KEY_F1 + number - 1};
            return true;
        }
    }
    for (const KeyNameEntry& entry : kNamedKeys)
        if (strcmp(entry.name, name) == 0) {
            key = entry.key;
            return true;
        }
    return false;
}
