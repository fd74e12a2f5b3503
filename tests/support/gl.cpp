// Opens the program's window inside a test process and reads its pixels back.

#include "support/gl.h"

#include "app/api.h"
#include "app/window.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

void OpenTestWindow(int width, int height, const char* title)
{
    glfwInit();
    OpenWindow(width, height, title);
}

Rgba ReadPixel(int x, int y)
{
    int width = 0, height = 0;
    glfwGetFramebufferSize(app_window.handle, &width, &height);
    Rgba pixel{};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(x, height - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, &pixel);
    return pixel;
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
