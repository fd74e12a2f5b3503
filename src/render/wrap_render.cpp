// Script bindings of the drawing functions: boxes, lines, images, blending, shader programs and
// render targets.

#include "app/api.h"
#include "app/args.h"
#include "render/line_pipe.h"
#include "render/quad_pipe.h"
#include "render/render_target.h"
#include "render/shader.h"
#include "render/texture.h"

static float ToFloat(lua_State* L, int index)
{
    return static_cast<float>(lua_tonumber(L, index));
}

int w_DrawBox(lua_State* L)
{
    FillPipe(TruncateToInt(lua_tonumber(L, 6)), 1, 1, 1, 1, lua_tonumber(L, 1),
             lua_tonumber(L, 2), lua_tonumber(L, 3), lua_tonumber(L, 4), lua_tonumber(L, 5));
    return 0;
}

int w_DrawBoxWithColor(lua_State* L)
{
    FillPipe(TruncateToInt(lua_tonumber(L, 6)), ToFloat(L, 7), ToFloat(L, 8), ToFloat(L, 9),
             ToFloat(L, 10), lua_tonumber(L, 1), lua_tonumber(L, 2), lua_tonumber(L, 3),
             lua_tonumber(L, 4), lua_tonumber(L, 5));
    return 0;
}

int w_DrawLine(lua_State* L)
{
    const float start[4] = {ToFloat(L, 6), ToFloat(L, 7), ToFloat(L, 8), ToFloat(L, 9)};
    const float end[4] = {ToFloat(L, 10), ToFloat(L, 11), ToFloat(L, 12), ToFloat(L, 13)};
    FillLinePipe(lua_tonumber(L, 1), lua_tonumber(L, 2), lua_tonumber(L, 3), lua_tonumber(L, 4),
                 lua_tonumber(L, 5), start, end);
    return 0;
}

int w_LoadImage(lua_State* L)
{
    lua_pushinteger(L, LoadTexture(lua_tostring(L, 1)));
    return 1;
}

int w_SetAdditiveBlend(lua_State* L)
{
    SetAdditiveBlend(lua_toboolean(L, 1));
    return 0;
}

static int ToInt(lua_State* L, int index)
{
    return static_cast<int>(lua_tointeger(L, index));
}

int w_LoadShader(lua_State* L)
{
    lua_pushinteger(L, LoadShader(lua_tostring(L, 1)));
    return 1;
}

int w_SetShader(lua_State* L)
{
    SetShader(ToInt(L, 1));
    return 0;
}

int w_SetShaderParami(lua_State* L)
{
    SetShaderParami(ToInt(L, 1), lua_tostring(L, 2), ToInt(L, 3));
    return 0;
}

int w_SetShaderParamf(lua_State* L)
{
    SetShaderParamf(ToInt(L, 1), lua_tostring(L, 2), ToFloat(L, 3));
    return 0;
}

int w_BindRenderTarget(lua_State* L)
{
    BindRenderTarget(ToInt(L, 1), ToInt(L, 2));
    return 0;
}

int w_UnbindRenderTarget(lua_State*)
{
    UnbindRenderTarget();
    return 0;
}

int w_DrawRenderTarget(lua_State* L)
{
    DrawRenderTarget(ToInt(L, 1), ToInt(L, 2));
    return 0;
}

int w_MakeRenderTarget(lua_State* L)
{
    lua_pushinteger(L, MakeRenderTarget(ToInt(L, 1), ToInt(L, 2), ToInt(L, 3)));
    return 1;
}

int w_DrawRenderTargets(lua_State* L)
{
    int handles[4], indices[4];
    for (int i = 0; i < 4; i++) {
        handles[i] = ToInt(L, 1 + 2 * i);
        indices[i] = ToInt(L, 2 + 2 * i);
    }
    DrawRenderTargets(handles, indices);
    return 0;
}

int w_DrawFullScreenQuad(lua_State* L)
{
    DrawFullScreenQuad(ToInt(L, 1), ToInt(L, 2), ToInt(L, 3), ToInt(L, 4));
    return 0;
}

int w_RenderTargetAsTexture(lua_State* L)
{
    lua_pushinteger(L, RenderTargetAsTexture(ToInt(L, 1), ToInt(L, 2)));
    return 1;
}
