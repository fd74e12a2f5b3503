// The registry of script functions: one table, in registration order. Each binding runs inside a
// guard: a C++ allocation that fails ends the call with the binding's neutral result and a line
// of text, never the program.

#include "app/api.h"

#include "bindings.h"

#include <cstdio>
#include <new>

static int OutOfMemory(lua_State* L, lua_CFunction guarded, int zeros);

// Runs binding F; on an allocation failure gives `Zeros` zeros (the handle functions' "none"),
// or nothing.
template <lua_CFunction F, int Zeros = 0>
static int Guarded(lua_State* L)
{
    try {
        return F(L);
    } catch (const std::bad_alloc&) {
        return OutOfMemory(L, Guarded<F, Zeros>, Zeros);
    }
}

static const luaL_Reg script_api[] = {
    {"OpenWindow", Guarded<w_OpenWindow>},
    {"DrawBox", Guarded<w_DrawBox>},
    {"DrawBoxWithColor", Guarded<w_DrawBoxWithColor>},
    {"DrawLine", Guarded<w_DrawLine>},
    {"GetKey", Guarded<w_GetKey>},
    {"GetMouse", Guarded<w_GetMouse>},
    {"PlayMusic", Guarded<w_PlayMusic>},
    {"PlayMusicWithSync", Guarded<w_PlayMusicWithSync>},
    {"GetSpectrum", Guarded<w_GetSpectrum>},
    {"LoadImage", Guarded<w_LoadImage, 1>},
    {"SetAdditiveBlend", Guarded<w_SetAdditiveBlend>},
    {"LoadShader", Guarded<w_LoadShader, 1>},
    {"SetShader", Guarded<w_SetShader>},
    {"SetShaderParami", Guarded<w_SetShaderParami>},
    {"SetShaderParamf", Guarded<w_SetShaderParamf>},
    {"BindRenderTarget", Guarded<w_BindRenderTarget>},
    {"UnbindRenderTarget", Guarded<w_UnbindRenderTarget>},
    {"DrawRenderTarget", Guarded<w_DrawRenderTarget>},
    {"MakeRenderTarget", Guarded<w_MakeRenderTarget, 1>},
    {"DrawRenderTargets", Guarded<w_DrawRenderTargets>},
    {"DrawFullScreenQuad", Guarded<w_DrawFullScreenQuad>},
    {"RenderTargetAsTexture", Guarded<w_RenderTargetAsTexture, 1>},
    {"ShowProfiling", Guarded<w_ShowProfiling>},
    {"LoadFont", Guarded<w_LoadFont, 1>},
    {"DrawText", Guarded<w_DrawText>},
    {"SetVolume", Guarded<w_SetVolume>},
    {"Quit", Guarded<w_Quit>},
};

static int OutOfMemory(lua_State* L, lua_CFunction guarded, int zeros)
{
    const char* name = "?";
    for (const luaL_Reg& entry : script_api)
        if (entry.func == guarded)
            name = entry.name;
    printf("Out of memory in %s\n", name);
    lua_settop(L, 0);
    for (int i = 0; i < zeros; i++)
        lua_pushinteger(L, 0);
    return zeros;
}

void RegisterScriptApi(lua_State* L)
{
    for (const luaL_Reg& entry : script_api)
        lua_register(L, entry.name, entry.func);
}
