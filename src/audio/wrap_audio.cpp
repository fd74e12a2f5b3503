// Script bindings of the music functions: PlayMusic, PlayMusicWithSync, GetSpectrum, SetVolume,
// and the module's music, seek, pause, resume and stop.

#include "audio/music.h"
#include "profile/profiler.h"
#include "script_args.h"
#include "script_bindings.h"

// Pushes artist and title when there is a tag; returns the number of results.
static int PushTag(lua_State* L, const std::optional<Id3Tag>& tag)
{
    if (!tag)
        return 0;
    lua_pushlstring(L, tag->artist.data(), tag->artist.size());
    lua_pushlstring(L, tag->title.data(), tag->title.size());
    return 2;
}

static int w_PlayMusic(lua_State* L)
{
    return PushTag(L, PlayMusic(lua_tostring(L, 1), {}));
}

// Pairs of time and name; anything but a table gives no sync points.
static std::vector<SyncPoint> ReadSyncPoints(lua_State* L, int index)
{
    std::vector<SyncPoint> syncs;
    if (!lua_istable(L, index))
        return syncs;
    int count = static_cast<int>(lua_objlen(L, index));
    for (int i = 1; i <= count; i += 2) {
        SyncPoint sync{0, std::nullopt};
        lua_rawgeti(L, index, i);
        sync.time = lua_tonumber(L, -1);
        lua_rawgeti(L, index, i + 1);
        size_t length = 0;
        if (lua_isstring(L, -1)) {
            const char* name = lua_tolstring(L, -1, &length);
            sync.name.emplace(name, length);
        }
        lua_pop(L, 2);
        syncs.push_back(std::move(sync));
    }
    return syncs;
}

static int w_PlayMusicWithSync(lua_State* L)
{
    std::vector<SyncPoint> syncs = ReadSyncPoints(L, 2);
    return PushTag(L, PlayMusic(lua_tostring(L, 1), syncs));
}

static int w_GetSpectrum(lua_State* L)
{
    PROFILE_SCOPE("SpectrumAnalyze");
    const float* spectrum = AnalyzeSpectrum();
    lua_createtable(L, kSpectrumSize, 0);
    for (int i = 0; i < kSpectrumSize; i++) {
        lua_pushnumber(L, spectrum[i]);
        lua_rawseti(L, -2, i + 1);
    }
    return 1;
}

static int w_SetVolume(lua_State* L)
{
    SetVolume(ArgFloat(L, 1));
    return 0;
}

static int w_host_music(lua_State* L)
{
    double position = 0, length = 0;
    if (!MusicPosition(position, length)) {
        lua_pushnil(L);
        return 1;
    }
    lua_pushnumber(L, position);
    lua_pushnumber(L, length);
    return 2;
}

static int w_host_seek(lua_State* L)
{
    SeekMusic(luaL_checknumber(L, 1));
    return 0;
}

static int w_host_pause(lua_State*)
{
    PauseMusic(true);
    return 0;
}

static int w_host_resume(lua_State*)
{
    PauseMusic(false);
    return 0;
}

static int w_host_stop(lua_State*)
{
    StopMusic();
    return 0;
}

static const luaL_Reg audio_globals[] = {
    {"PlayMusic", Guarded<w_PlayMusic>},
    {"PlayMusicWithSync", Guarded<w_PlayMusicWithSync>},
    {"GetSpectrum", Guarded<w_GetSpectrum>},
    {"SetVolume", Guarded<w_SetVolume>},
    {nullptr, nullptr},
};

static const luaL_Reg audio_module[] = {
    {"music", GuardedModule<w_host_music>},
    {"seek", GuardedModule<w_host_seek>},
    {"pause", GuardedModule<w_host_pause>},
    {"resume", GuardedModule<w_host_resume>},
    {"stop", GuardedModule<w_host_stop>},
    {nullptr, nullptr},
};

ScriptBindings AudioBindings()
{
    return {audio_globals, audio_module};
}
