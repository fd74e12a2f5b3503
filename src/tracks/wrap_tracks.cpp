// Script bindings of the tracks: the module's tracks and track.

#include "script_bindings.h"
#include "tracks/tracks.h"

#include <cmath>
#include <string>

// Field `field` of the table at 1: a positive number, `otherwise` when absent.
static double PositiveField(lua_State* L, const char* field, double otherwise)
{
    lua_getfield(L, 1, field);
    double value = otherwise;
    if (!lua_isnil(L, -1)) {
        value = lua_isnumber(L, -1) ? lua_tonumber(L, -1) : 0;
        if (!(value > 0 && value < HUGE_VAL))
            luaL_argerror(L, 1, lua_pushfstring(L, "%s must be a positive number", field));
    }
    lua_pop(L, 1);
    return value;
}

static int w_host_tracks(lua_State* L)
{
    luaL_checktype(L, 1, LUA_TTABLE);
    double bpm = PositiveField(L, "bpm", 120);
    double rows_per_beat = PositiveField(L, "rows_per_beat", 8);
    lua_getfield(L, 1, "prefix");
    if (!lua_isnil(L, -1) && !lua_isstring(L, -1))
        luaL_argerror(L, 1, "prefix must be a string");
    std::string prefix = lua_isnil(L, -1) ? "res/sync" : lua_tostring(L, -1);
    lua_pop(L, 1);
    SetTrackTiming(bpm, rows_per_beat, prefix);
    return 0;
}

static int w_host_track(lua_State* L)
{
    size_t length = 0;
    const char* name = luaL_checklstring(L, 1, &length);
    int track = FindTrack({name, length});
    if (track < 0)
        return luaL_error(L, "too many tracks (%d)", kMaxTracks);
    lua_pushnumber(L, TrackValueNow(track));
    return 1;
}

static const luaL_Reg tracks_module[] = {
    {"tracks", GuardedModule<w_host_tracks>},
    {"track", GuardedModule<w_host_track>},
    {nullptr, nullptr},
};

ScriptBindings TracksBindings()
{
    return {nullptr, tracks_module};
}
