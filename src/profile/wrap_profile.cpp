// Script binding of the profiling overlay switch: ShowProfiling.

#include "profile/overlay.h"
#include "script_bindings.h"

static int w_ShowProfiling(lua_State* L)
{
    SetProfilingOverlay(lua_toboolean(L, 1));
    return 0;
}

static const luaL_Reg profile_globals[] = {
    {"ShowProfiling", Guarded<w_ShowProfiling>},
    {nullptr, nullptr},
};

ScriptBindings ProfileBindings()
{
    return {profile_globals, nullptr};
}
