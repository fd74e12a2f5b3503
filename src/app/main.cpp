// Entry point: start-up, the frame loop and teardown.

#include "app/api.h"
#include "app/script_host.h"
#include "app/window.h"
#include "profile/profiler.h"
#include "render/line_pipe.h"
#include "render/quad_pipe.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <cstdio>

static void RunFrame(ScriptHost& host, double& previous_time)
{
    double now = glfwGetTime();
    double dt = now - previous_time;
    previous_time = now;

    glLoadIdentity();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    PROFILE_SITE(lua_update, "LuaUpdate");
    PROFILE_BEGIN(lua_update);
    host.Update(now, dt);
    FlushPipe();
    FlushLinePipe();
    end_zone();

    {
        PROFILE_SCOPE("SwapBuffers");
        SwapBuffers();
    }
}

int main(int argc, char** argv)
{
    // Lines reach a pipe as they are printed, so readers see script and host output in order.
    setvbuf(stdout, nullptr, _IOLBF, 0);

    glfwInit();
    ScriptHost host;
    host.Open();
    RegisterScriptApi(host.State());
    host.Start(argc, argv);

    double previous_time = glfwGetTime();
    while (WindowIsOpen() && !app_window.quit_requested)
        RunFrame(host, previous_time);

    glfwTerminate();
    host.Close();
    fflush(stdout);
    return 0;
}
