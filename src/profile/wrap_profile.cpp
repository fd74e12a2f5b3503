// Script binding of the profiling overlay switch: ShowProfiling.

#include "bindings.h"
#include "profile/overlay.h"

int w_ShowProfiling(lua_State* L)
{
    profiling_display_on = lua_toboolean(L, 1);
    return 0;
}
