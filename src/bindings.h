// The bindings of the 27 script functions, declared for the registry (app/api.cpp) and defined in
// each subsystem's wrap file.
#pragma once

#include <lua.hpp>

// Bindings, grouped by the file that defines them.
// app/wrap_window.cpp
int w_OpenWindow(lua_State* L);
int w_GetKey(lua_State* L);
int w_GetMouse(lua_State* L);
int w_Quit(lua_State* L);
// audio/wrap_audio.cpp
int w_PlayMusic(lua_State* L);
int w_PlayMusicWithSync(lua_State* L);
int w_GetSpectrum(lua_State* L);
int w_SetVolume(lua_State* L);
// render/wrap_render.cpp
int w_DrawBox(lua_State* L);
int w_DrawBoxWithColor(lua_State* L);
int w_DrawLine(lua_State* L);
int w_LoadImage(lua_State* L);
int w_SetAdditiveBlend(lua_State* L);
int w_LoadShader(lua_State* L);
int w_SetShader(lua_State* L);
int w_SetShaderParami(lua_State* L);
int w_SetShaderParamf(lua_State* L);
int w_BindRenderTarget(lua_State* L);
int w_UnbindRenderTarget(lua_State* L);
int w_DrawRenderTarget(lua_State* L);
int w_MakeRenderTarget(lua_State* L);
int w_DrawRenderTargets(lua_State* L);
int w_DrawFullScreenQuad(lua_State* L);
int w_RenderTargetAsTexture(lua_State* L);
// profile/wrap_profile.cpp
int w_ShowProfiling(lua_State* L);
// text/wrap_text.cpp
int w_LoadFont(lua_State* L);
int w_DrawText(lua_State* L);
