// Reloading the script: every owner of a state's part sets it aside, then releases it or puts it
// back.

#include "app/reload.h"

#include "app/window.h"
#include "audio/music.h"
#include "profile/overlay.h"
#include "profile/script_profiler.h"
#include "profile/zone_lua.h"
#include "render/pipes.h"
#include "render/render_target.h"
#include "render/shader.h"
#include "render/texture.h"
#include "text/text.h"

// One module's part of a script state. Set aside before the new state starts; released when it
// has started, put back when it failed. A step a module does not need is null.
struct ReloadOwner {
    void (*set_aside)();
    void (*release)();
    void (*put_back)();
};

// In order: pending drawing reaches GL and drawing returns to the window and the fixed-function
// pipeline before any table changes hands, and before either state's textures are freed.
static const ReloadOwner kOwners[] = {
    {SetDrawingAside, FlushPipes, FlushPipes},
    {SetRenderTargetsAside, ReleaseRenderTargetsAside, PutRenderTargetsBack},
    {SetShadersAside, ReleaseShadersAside, PutShadersBack},
    {SetImagesAside, ReleaseImagesAside, PutImagesBack},
    {SetFontsAside, ReleaseFontsAside, PutFontsBack},
    {SetMusicAside, ReleaseMusicAside, PutMusicBack},
    {SetWindowAside, ReleaseWindowAside, PutWindowBack},
    {SetZoneHookAside, ReleaseZoneHookAside, PutZoneHookBack},
    {SetScriptProfilerAside, ReleaseScriptProfilerAside, PutScriptProfilerBack},
    {SetOverlayAside, nullptr, PutOverlayBack},
};

// Runs step `step` of every owner that has it.
static void EveryOwner(void (*ReloadOwner::*step)())
{
    for (const ReloadOwner& owner : kOwners)
        if (owner.*step)
            (owner.*step)();
}

bool ReloadScript(ScriptHost& host, const std::vector<std::string>& args)
{
    EveryOwner(&ReloadOwner::set_aside);
    ScriptHost next;
    next.Open();
    // A chunk that does not load is reported once, with no initialize to call after it.
    bool started = next.Loaded() && next.Start(args);
    if (!started) {
        EveryOwner(&ReloadOwner::put_back);
        next.Close();
        return false;
    }
    host.Swap(next);
    EveryOwner(&ReloadOwner::release);
    next.Close();
    return true;
}
