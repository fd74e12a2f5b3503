// Opens the program's window inside a test process and reads its pixels back.

#include "support/gl.h"

#include "app/api.h"
#include "app/window.h"
#include "profile/profiler.h"
#include "profile/profiler_internal.h"
#include "render/pipes.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <cstdio>

void OpenTestWindow(int width, int height, const char* title)
{
    // The window library's own reasons make a failed window in a test easy to explain.
    glfwSetErrorCallback([](int code, const char* text) {
        fprintf(stderr, "GLFW error %x: %s\n", code, text);
    });
    glfwInit();
    OpenWindow(width, height, title);
}

Rgba ReadPixel(int x, int y)
{
    int width = 0, height = 0;
    glfwGetFramebufferSize(WindowHandle(), &width, &height);
    Rgba pixel{};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(x, height - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, &pixel);
    return pixel;
}

void BeginTestFrame()
{
    glLoadIdentity();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void EndTestFrame()
{
    FlushPipes();
}

std::map<std::string, uint32_t> ZoneCallsSinceLastCheck()
{
    update();
    std::map<std::string, uint32_t> calls;
    for (ProfileZone* zone = profiler_core().root_zone.next; zone; zone = zone->next)
        calls[zone->name] = zone->stats.calls_current;
    return calls;
}

uint32_t ZoneCalls(const std::map<std::string, uint32_t>& calls, const std::string& name)
{
    auto found = calls.find(name);
    return found == calls.end() ? 0 : found->second;
}

TestState::TestState() : L(luaL_newstate())
{
    luaL_openlibs(L);
    RegisterScriptApi(L);
}

std::string TestState::Run(const std::string& code)
{
    if (luaL_dostring(L, code.c_str()) == 0)
        return "";
    std::string message = lua_tostring(L, -1) ? lua_tostring(L, -1) : "(no message)";
    lua_pop(L, 1);
    return message;
}
