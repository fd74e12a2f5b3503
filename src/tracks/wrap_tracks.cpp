// Script bindings of the tracks: the module's tracks, track, keys, row and beat.

#include "script_bindings.h"
#include "tracks/tracks.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

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

// A field of host.tracks{} that it does not know is most likely a typo: refused by name.
static void RefuseUnknownFields(lua_State* L)
{
    for (lua_pushnil(L); lua_next(L, 1); lua_pop(L, 1)) {
        const char* field = lua_type(L, -2) == LUA_TSTRING ? lua_tostring(L, -2) : nullptr;
        bool known = field && (!strcmp(field, "bpm") || !strcmp(field, "rows_per_beat") ||
                               !strcmp(field, "prefix"));
        if (!known && field)
            luaL_argerror(L, 1, lua_pushfstring(L, "unknown field \"%s\"", field));
        if (!known)
            luaL_argerror(L, 1, lua_pushfstring(L, "a %s key is no field", luaL_typename(L, -2)));
    }
}

static int w_host_tracks(lua_State* L)
{
    luaL_checktype(L, 1, LUA_TTABLE);
    RefuseUnknownFields(L);
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

// Key `index` of the list at 2, {row, value, type}: a whole row of 0 or more, a number and one of
// the four type names (step when left out).
static TrackKey ScriptKey(lua_State* L, int index)
{
    static const char* const kTypeNames[] = {"step", "linear", "smooth", "ramp", nullptr};
    lua_rawgeti(L, 2, index);
    if (!lua_istable(L, -1))
        luaL_argerror(L, 2, lua_pushfstring(L, "key %d is not a table {row, value, type}", index));
    lua_rawgeti(L, -1, 1);
    lua_rawgeti(L, -2, 2);
    lua_rawgeti(L, -3, 3);
    double row = lua_tonumber(L, -3);
    if (!lua_isnumber(L, -3) || row != std::floor(row) || row < 0 || row > INT32_MAX)
        luaL_argerror(L, 2, lua_pushfstring(L, "key %d: the row must be a whole number of 0 or "
                                               "more", index));
    if (!lua_isnumber(L, -2))
        luaL_argerror(L, 2, lua_pushfstring(L, "key %d: the value must be a number", index));
    int type = 0;
    if (!lua_isnil(L, -1)) {
        const char* name = lua_isstring(L, -1) ? lua_tostring(L, -1) : "";
        while (kTypeNames[type] && strcmp(kTypeNames[type], name))
            type++;
        if (!kTypeNames[type])
            luaL_argerror(L, 2, lua_pushfstring(L, "key %d: the type must be step, linear, "
                                                   "smooth or ramp", index));
    }
    TrackKey key{static_cast<int32_t>(row), static_cast<float>(lua_tonumber(L, -2)),
                 static_cast<KeyType>(type)};
    lua_pop(L, 4);
    return key;
}

// Every key is checked before anything is kept: a raised error skips C++ destructors.
static int w_host_keys(lua_State* L)
{
    size_t length = 0;
    const char* name = luaL_checklstring(L, 1, &length);
    luaL_checktype(L, 2, LUA_TTABLE);
    int count = static_cast<int>(lua_objlen(L, 2));
    for (int i = 1, previous = -1; i <= count; i++) {
        int32_t row = ScriptKey(L, i).row;
        if (row <= previous)
            luaL_argerror(L, 2, lua_pushfstring(L, "key %d is not after the key before it", i));
        previous = row;
    }
    int track = FindTrack({name, length});
    if (track < 0)
        return luaL_error(L, "too many tracks (%d)", kMaxTracks);
    std::vector<TrackKey> keys;
    for (int i = 1; i <= count; i++)
        keys.push_back(ScriptKey(L, i));
    SetScriptKeys(track, std::move(keys));
    return 0;
}

static int w_host_row(lua_State* L)
{
    lua_pushnumber(L, CurrentRow());
    return 1;
}

static int w_host_beat(lua_State* L)
{
    lua_pushnumber(L, CurrentBeat());
    return 1;
}

static const luaL_Reg tracks_module[] = {
    {"tracks", GuardedModule<w_host_tracks>},
    {"track", GuardedModule<w_host_track>},
    {"keys", GuardedModule<w_host_keys>},
    {"row", GuardedModule<w_host_row>},
    {"beat", GuardedModule<w_host_beat>},
    {nullptr, nullptr},
};

ScriptBindings TracksBindings()
{
    return {nullptr, tracks_module};
}
