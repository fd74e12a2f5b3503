// Script bindings of the drawing functions: boxes, lines, images, blending, shader programs and
// their uniforms, and render targets.

#include "render/line_pipe.h"
#include "render/pipes.h"
#include "render/quad_pipe.h"
#include "render/render_target.h"
#include "render/shader.h"
#include "render/texture.h"
#include "script_args.h"
#include "script_bindings.h"

static int w_DrawBox(lua_State* L)
{
    FillPipe(TruncateToInt(lua_tonumber(L, 6)), 1, 1, 1, 1, lua_tonumber(L, 1),
             lua_tonumber(L, 2), lua_tonumber(L, 3), lua_tonumber(L, 4), lua_tonumber(L, 5));
    return 0;
}

static int w_DrawBoxWithColor(lua_State* L)
{
    FillPipe(TruncateToInt(lua_tonumber(L, 6)), ArgFloat(L, 7), ArgFloat(L, 8), ArgFloat(L, 9),
             ArgFloat(L, 10), lua_tonumber(L, 1), lua_tonumber(L, 2), lua_tonumber(L, 3),
             lua_tonumber(L, 4), lua_tonumber(L, 5));
    return 0;
}

static int w_DrawLine(lua_State* L)
{
    const float start[4] = {ArgFloat(L, 6), ArgFloat(L, 7), ArgFloat(L, 8), ArgFloat(L, 9)};
    const float end[4] = {ArgFloat(L, 10), ArgFloat(L, 11), ArgFloat(L, 12), ArgFloat(L, 13)};
    FillLinePipe(lua_tonumber(L, 1), lua_tonumber(L, 2), lua_tonumber(L, 3), lua_tonumber(L, 4),
                 lua_tonumber(L, 5), start, end);
    return 0;
}

static int w_LoadImage(lua_State* L)
{
    lua_pushinteger(L, LoadImage(lua_tostring(L, 1)));
    return 1;
}

static int w_SetAdditiveBlend(lua_State* L)
{
    SetAdditiveBlend(lua_toboolean(L, 1));
    return 0;
}

static int w_LoadShader(lua_State* L)
{
    lua_pushinteger(L, LoadShader(lua_tostring(L, 1)));
    return 1;
}

static int w_SetShader(lua_State* L)
{
    SetShader(ArgInt(L, 1));
    return 0;
}

static int w_SetShaderParami(lua_State* L)
{
    SetShaderParami(ArgInt(L, 1), lua_tostring(L, 2), ArgInt(L, 3));
    return 0;
}

static int w_SetShaderParamf(lua_State* L)
{
    SetShaderParamf(ArgInt(L, 1), lua_tostring(L, 2), ArgFloat(L, 3));
    return 0;
}

static int w_BindRenderTarget(lua_State* L)
{
    BindRenderTarget(ArgInt(L, 1), ArgInt(L, 2));
    return 0;
}

static int w_UnbindRenderTarget(lua_State*)
{
    UnbindRenderTarget();
    return 0;
}

static int w_DrawRenderTarget(lua_State* L)
{
    DrawRenderTarget(ArgInt(L, 1), ArgInt(L, 2));
    return 0;
}

static int w_MakeRenderTarget(lua_State* L)
{
    lua_pushinteger(L, MakeRenderTarget(ArgInt(L, 1), ArgInt(L, 2), ArgInt(L, 3)));
    return 1;
}

static int w_DrawRenderTargets(lua_State* L)
{
    int handles[4], indices[4];
    for (int i = 0; i < 4; i++) {
        handles[i] = ArgInt(L, 1 + 2 * i);
        indices[i] = ArgInt(L, 2 + 2 * i);
    }
    DrawRenderTargets(handles, indices);
    return 0;
}

static int w_DrawFullScreenQuad(lua_State* L)
{
    DrawFullScreenQuad(ArgInt(L, 1), ArgInt(L, 2), ArgInt(L, 3), ArgInt(L, 4));
    return 0;
}

static int w_RenderTargetAsTexture(lua_State* L)
{
    lua_pushinteger(L, RenderTargetAsTexture(ArgInt(L, 1), ArgInt(L, 2)));
    return 1;
}

// host.uniform(name, x [, y [, z [, w]]]): as many components as numbers given.
static int w_host_uniform(lua_State* L)
{
    const char* name = luaL_checkstring(L, 1);
    int count = lua_gettop(L) - 1;
    if (count < 1 || count > 4)
        return luaL_error(L, "host.uniform takes a name and 1 to 4 numbers, not %d", count);
    float values[4];
    for (int i = 0; i < count; i++)
        values[i] = static_cast<float>(luaL_checknumber(L, 2 + i));
    SetUniform(name, values, count);
    return 0;
}

static const luaL_Reg render_globals[] = {
    {"DrawBox", Guarded<w_DrawBox>},
    {"DrawBoxWithColor", Guarded<w_DrawBoxWithColor>},
    {"DrawLine", Guarded<w_DrawLine>},
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
    {nullptr, nullptr},
};

static const luaL_Reg render_module[] = {
    {"uniform", GuardedModule<w_host_uniform>},
    {nullptr, nullptr},
};

ScriptBindings RenderBindings()
{
    return {render_globals, render_module};
}
