// The registry of script functions: one table, in registration order.

#include "app/api.h"

static const luaL_Reg script_api[] = {
    {"OpenWindow", w_OpenWindow},
    {"DrawBox", w_DrawBox},
    {"DrawBoxWithColor", w_DrawBoxWithColor},
    {"DrawLine", w_DrawLine},
    {"GetKey", w_GetKey},
    {"GetMouse", w_GetMouse},
    {"PlayMusic", w_PlayMusic},
    {"PlayMusicWithSync", w_PlayMusicWithSync},
    {"GetSpectrum", w_GetSpectrum},
    {"LoadImage", w_LoadImage},
    {"SetAdditiveBlend", w_SetAdditiveBlend},
    {"LoadShader", w_LoadShader},
    {"SetShader", w_SetShader},
    {"SetShaderParami", w_SetShaderParami},
    {"SetShaderParamf", w_SetShaderParamf},
    {"BindRenderTarget", w_BindRenderTarget},
    {"UnbindRenderTarget", w_UnbindRenderTarget},
    {"DrawRenderTarget", w_DrawRenderTarget},
    {"MakeRenderTarget", w_MakeRenderTarget},
    {"DrawRenderTargets", w_DrawRenderTargets},
    {"DrawFullScreenQuad", w_DrawFullScreenQuad},
    {"RenderTargetAsTexture", w_RenderTargetAsTexture},
    {"ShowProfiling", w_ShowProfiling},
    {"LoadFont", w_LoadFont},
    {"DrawText", w_DrawText},
    {"SetVolume", w_SetVolume},
    {"Quit", w_Quit},
};

void RegisterScriptApi(lua_State* L)
{
    for (const luaL_Reg& entry : script_api)
        lua_register(L, entry.name, entry.func);
}
