// Opens the program's window inside a test process and reads its pixels back.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include <lua.hpp>

struct Rgba {
    uint8_t r, g, b, a;
    bool operator==(const Rgba& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};

inline const Rgba kBlack{0, 0, 0, 255};
inline const Rgba kWhite{255, 255, 255, 255};

// glfwInit, then OpenWindow with the program's own function.
void OpenTestWindow(int width, int height, const char* title = "test");

// The pixel at window pixel (x, y), counted from the top left, from the frame being drawn.
Rgba ReadPixel(int x, int y);

// Clears the frame as the frame loop does.
void BeginTestFrame();
// Flushes both pipes as the frame loop does at the end of a frame.
void EndTestFrame();

// Calls of the profile zone `name` since the last check (0 when it was not entered).
uint32_t ZoneCalls(const std::map<std::string, uint32_t>& calls, const std::string& name);
// Closes a profiler period and returns each zone's calls in it.
std::map<std::string, uint32_t> ZoneCallsSinceLastCheck();

// A Lua state with the standard libraries, the script API and the "demohost" module; closed with
// the object.
class TestState {
public:
    TestState();
    ~TestState() { lua_close(L); }
    // Runs `code`; returns "" or the error message.
    std::string Run(const std::string& code);
    lua_State* L;
};
