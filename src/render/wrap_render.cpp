// Script bindings of the drawing functions: boxes, lines, images and blending.

#include "app/api.h"
#include "app/args.h"
#include "render/line_pipe.h"
#include "render/quad_pipe.h"
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
