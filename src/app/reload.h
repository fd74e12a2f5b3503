// Reloading the script: a new state runs the main chunk and initialize while the engine's tables
// of the old one are set aside, so that the new state starts with empty tables and the old one
// can take them back when the new one fails. State: none; the tables are their owners'.
#pragma once

#include "app/script_host.h"
#include "render/render_target.h"
#include "render/shader.h"
#include "render/texture.h"
#include "text/text.h"

// What a script state made through the API: its images, fonts, render targets and shaders.
struct ScriptResources {
    ImageList images;
    FontStore fonts;
    RenderTargetList targets;
    ShaderTable shaders;
};

// Moves the engine's tables into `aside`, leaving them empty (the next font, target and shader
// are handle 1 again), with drawing back on the window, plain and blended over.
void SetResourcesAside(ScriptResources& aside);
// Releases what the engine's tables hold now and puts those set aside back.
void PutResourcesBack(ScriptResources& aside);
// Frees every GL name of `resources` and empties them.
void ReleaseResources(ScriptResources& resources);

// Starts a new state on res/main.lua with the given arguments, on the open window, with the music
// playing on (see CarryMusicOver). When its main chunk loads and it and initialize run without an
// error, it replaces `host`'s state and the old state's resources are released; otherwise the new
// state and what it made are dropped, `host` runs on as before and false is returned (the error
// has been printed).
bool ReloadScript(ScriptHost& host, int argc, char** argv);
