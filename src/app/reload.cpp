// Reloading the script with the engine's tables set aside, released, or put back.

#include "app/reload.h"

#include "app/api.h"
#include "app/window.h"
#include "audio/music.h"
#include "render/line_pipe.h"
#include "render/quad_pipe.h"

#include <utility>

// Drawing goes to the window with the fixed-function pipeline and the usual blending, as a new
// state expects it.
static void PlainDrawing()
{
    UnbindRenderTarget();
    SetShader(0);
    SetAdditiveBlend(false);
}

void SetResourcesAside(ScriptResources& aside)
{
    int current_shader = shader_table.current;
    PlainDrawing();
    std::swap(aside.images, image_list);
    std::swap(aside.fonts, font_store);
    aside.targets = render_targets;
    render_targets.count = 0;
    render_targets.pushed_viewports = 0;
    aside.shaders = shader_table;
    aside.shaders.current = current_shader;
    shader_table = ShaderTable();
}

void PutResourcesBack(ScriptResources& aside)
{
    ScriptResources current;
    SetResourcesAside(current);
    ReleaseResources(current);
    std::swap(aside.images, image_list);
    std::swap(aside.fonts, font_store);
    unsigned window_framebuffer = render_targets.window_framebuffer;
    render_targets = aside.targets;
    render_targets.window_framebuffer = window_framebuffer;
    // The program the old state had selected is selected again.
    int current_shader = aside.shaders.current;
    shader_table = aside.shaders;
    shader_table.current = 0;
    SetShader(current_shader);
}

void ReleaseResources(ScriptResources& resources)
{
    FlushPipe();
    FlushLinePipe();
    ReleaseImages(resources.images);
    ReleaseFonts(resources.fonts);
    ReleaseRenderTargets(resources.targets);
    ReleaseShaders(resources.shaders);
}

bool ReloadScript(ScriptHost& host, int argc, char** argv)
{
    ScriptResources old;
    SetResourcesAside(old);
    CarryMusicOver();
    app_window.keep_open = true;
    ScriptHost next;
    next.Open();
    RegisterScriptApi(next.State());
    // A chunk that does not load is reported once, with no initialize to call after it.
    bool started = next.Loaded() && next.Start(argc, argv);
    app_window.keep_open = false;
    FinishMusicCarry(started);
    if (!started) {
        next.Close();
        PutResourcesBack(old);
        return false;
    }
    host.Swap(next);
    next.Close();
    ReleaseResources(old);
    return true;
}
