// The "demohost" script module: one thin function a script name, over the window, the music and
// the text engine and the tracks.

#include "app/host_module.h"

#include "app/window.h"
#include "audio/music.h"
#include "text/text.h"
#include "tracks/tracks.h"

#include <GLFW/glfw3.h>

#include <cmath>
#include <cstring>

// Key names and the window library's keys they read; "shift", "ctrl" and "alt" read either side.
struct KeyName {
    const char* name;
    int key;
    int other_side;
};

static const KeyName kNamedKeys[] = {
    {"space", GLFW_KEY_SPACE, -1},         {"escape", GLFW_KEY_ESCAPE, -1},
    {"enter", GLFW_KEY_ENTER, -1},         {"tab", GLFW_KEY_TAB, -1},
    {"backspace", GLFW_KEY_BACKSPACE, -1}, {"insert", GLFW_KEY_INSERT, -1},
    {"delete", GLFW_KEY_DELETE, -1},       {"home", GLFW_KEY_HOME, -1},
    {"end", GLFW_KEY_END, -1},             {"pageup", GLFW_KEY_PAGE_UP, -1},
    {"pagedown", GLFW_KEY_PAGE_DOWN, -1},  {"left", GLFW_KEY_LEFT, -1},
    {"right", GLFW_KEY_RIGHT, -1},         {"up", GLFW_KEY_UP, -1},
    {"down", GLFW_KEY_DOWN, -1},           {"shift", GLFW_KEY_LEFT_SHIFT, GLFW_KEY_RIGHT_SHIFT},
    {"ctrl", GLFW_KEY_LEFT_CONTROL, GLFW_KEY_RIGHT_CONTROL},
    {"alt", GLFW_KEY_LEFT_ALT, GLFW_KEY_RIGHT_ALT},
    {"`", GLFW_KEY_GRAVE_ACCENT, -1},      {"-", GLFW_KEY_MINUS, -1},
    {"=", GLFW_KEY_EQUAL, -1},             {"[", GLFW_KEY_LEFT_BRACKET, -1},
    {"]", GLFW_KEY_RIGHT_BRACKET, -1},     {"\\", GLFW_KEY_BACKSLASH, -1},
    {";", GLFW_KEY_SEMICOLON, -1},         {"'", GLFW_KEY_APOSTROPHE, -1},
    {",", GLFW_KEY_COMMA, -1},             {".", GLFW_KEY_PERIOD, -1},
    {"/", GLFW_KEY_SLASH, -1},
};

// The keys named by argument 1: a to z, 0 to 9, f1 to f12, or a name of the table; an unknown
// name is an error that names it.
static KeyName CheckKey(lua_State* L)
{
    const char* name = luaL_checkstring(L, 1);
    size_t length = strlen(name);
    if (length == 1 && name[0] >= 'a' && name[0] <= 'z')
        return {name, GLFW_KEY_A + (name[0] - 'a'), -1};
    if (length == 1 && name[0] >= '0' && name[0] <= '9')
        return {name, GLFW_KEY_0 + (name[0] - '0'), -1};
    if (name[0] == 'f' && length >= 2 && length <= 3) {
        int number = atoi(name + 1);
        if (number >= 1 && number <= 12 && std::to_string(number) == name + 1)
            return {name, GLFW_KEY_F1 + number - 1, -1};
    }
    for (const KeyName& key : kNamedKeys)
        if (strcmp(key.name, name) == 0)
            return key;
    luaL_argerror(L, 1, lua_pushfstring(L, "unknown key name '%s'", name));
    return {};
}

template <bool (*Read)(int)>
static int PushKey(lua_State* L)
{
    KeyName key = CheckKey(L);
    lua_pushboolean(L, Read(key.key) || (key.other_side >= 0 && Read(key.other_side)));
    return 1;
}

static int w_host_key(lua_State* L)
{
    return PushKey<KeyHeld>(L);
}

static int w_host_pressed(lua_State* L)
{
    return PushKey<KeyWentDown>(L);
}

static int w_host_released(lua_State* L)
{
    return PushKey<KeyWentUp>(L);
}

static int w_host_wheel(lua_State* L)
{
    lua_pushnumber(L, app_window.wheel_x);
    lua_pushnumber(L, app_window.wheel_y);
    return 2;
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

static int w_host_window(lua_State* L)
{
    lua_pushinteger(L, app_window.width);
    lua_pushinteger(L, app_window.height);
    return 2;
}

static int w_host_fullscreen(lua_State* L)
{
    luaL_checkany(L, 1);
    SetFullscreen(lua_toboolean(L, 1));
    return 0;
}

static int w_host_text_size(lua_State* L)
{
    int font = static_cast<int>(luaL_checkinteger(L, 1));
    const char* text = luaL_checkstring(L, 2);
    auto limit = static_cast<int32_t>(luaL_optinteger(L, 3, -1));
    int width = 0, height = 0;
    if (!TextSize(font, text, limit, width, height))
        return luaL_argerror(L, 1, lua_pushfstring(L, "no font %d", font));
    lua_pushinteger(L, width);
    lua_pushinteger(L, height);
    return 2;
}

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
        return luaL_error(L, "too many tracks (%d)", SyncTracks::kMaxTracks);
    lua_pushnumber(L, TrackValue(sync_tracks.tracks[track].keys, CurrentRow()));
    return 1;
}

static const luaL_Reg host_functions[] = {
    {"key", w_host_key},       {"pressed", w_host_pressed}, {"released", w_host_released},
    {"wheel", w_host_wheel},   {"music", w_host_music},     {"seek", w_host_seek},
    {"pause", w_host_pause},   {"resume", w_host_resume},   {"stop", w_host_stop},
    {"window", w_host_window}, {"fullscreen", w_host_fullscreen}, {"text_size", w_host_text_size},
    {"tracks", w_host_tracks}, {"track", w_host_track},
    {nullptr, nullptr},
};

static int luaopen_demohost(lua_State* L)
{
    lua_newtable(L);
    luaL_register(L, nullptr, host_functions);
    return 1;
}

void PreloadHostModule(lua_State* L)
{
    lua_getglobal(L, "package");
    lua_getfield(L, -1, "preload");
    lua_pushcfunction(L, luaopen_demohost);
    lua_setfield(L, -2, "demohost");
    lua_pop(L, 2);
}
