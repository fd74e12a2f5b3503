// Fuzzes the script API: the input is a program of calls of the global functions with random
// argument counts, types and values, run in a Lua state with the API in a headless window.
// Each call: [function][argument count], then per argument [type][value bytes].

#include "app/api.h"
#include "app/window.h"
#include "audio/audio_device.h"
#include "render/pipes.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

// Every global the registry installs, in its order.
static const std::vector<const char*> kFunctions = ScriptGlobalNames();

static const double kNumbers[] = {0, 1, -1, 0.5, 2.5, 3.7, 255, 256, 800, 1e9, -1e9, 1e30, 1e308,
                                  std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity(),
                                  std::numeric_limits<double>::quiet_NaN(), 4.9e-324, 2147483648.0};

static const char* kStrings[] = {"", "a", "res/font/mono-20.fnt", "res/font/", "x.png", "%s%n",
                                 "scene", "12", "\xff\xfe", "[vertex]"};

struct Reader {
    const uint8_t* data;
    size_t size;
    uint8_t Byte() { return size ? (size--, *data++) : 0; }
    bool Empty() const { return size == 0; }
};

static lua_State* L = nullptr;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    // The functions' own messages would drown the fuzzer's report.
    if (!freopen("/dev/null", "w", stdout))
        return 1;
    glfwInit();
    OpenWindow(640, 480, "fuzz");
    OpenAudioDevice();
    L = luaL_newstate();
    luaL_openlibs(L);
    RegisterScriptApi(L);
    return 0;
}

static void PushArgument(Reader& in)
{
    switch (in.Byte() % 8) {
    case 0: lua_pushnil(L); break;
    case 1: lua_pushboolean(L, in.Byte() & 1); break;
    case 2: lua_pushnumber(L, kNumbers[in.Byte() % (sizeof kNumbers / sizeof *kNumbers)]); break;
    case 3: {
        double value;
        uint8_t bytes[8];
        for (uint8_t& b : bytes)
            b = in.Byte();
        memcpy(&value, bytes, 8);
        lua_pushnumber(L, value);
        break;
    }
    case 4: lua_pushinteger(L, static_cast<int8_t>(in.Byte())); break;
    case 5: lua_pushstring(L, kStrings[in.Byte() % (sizeof kStrings / sizeof *kStrings)]); break;
    case 6: {
        size_t length = in.Byte();
        std::string text;
        for (size_t i = 0; i < length && !in.Empty(); i++)
            text.push_back(static_cast<char>(in.Byte()));
        lua_pushlstring(L, text.data(), text.size());
        break;
    }
    default: {
        int count = in.Byte() % 8;
        lua_createtable(L, count, 0);
        for (int i = 1; i <= count; i++) {
            if (i % 2)
                lua_pushnumber(L, kNumbers[in.Byte() % (sizeof kNumbers / sizeof *kNumbers)]);
            else
                lua_pushstring(L, kStrings[in.Byte() % (sizeof kStrings / sizeof *kStrings)]);
            lua_rawseti(L, -2, i);
        }
        break;
    }
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Reader in{data, size};
    while (!in.Empty()) {
        const char* name = kFunctions[in.Byte() % kFunctions.size()];
        int count = in.Byte() % 14;
        lua_getglobal(L, name);
        for (int i = 0; i < count; i++)
            PushArgument(in);
        // A target as large as GL allows costs gigabytes once drawn into; the API leaves that to
        // the script, so the fuzzer keeps its targets small.
        if (strcmp(name, "MakeRenderTarget") == 0 && count >= 2 &&
            (lua_tonumber(L, -count) * lua_tonumber(L, -count + 1) > 4096.0 * 4096 ||
             lua_tonumber(L, -count) > 8192 || lua_tonumber(L, -count + 1) > 8192)) {
            lua_pop(L, count + 1);
            continue;
        }
        if (lua_pcall(L, count, LUA_MULTRET, 0) != 0)
            abort();  // script functions never raise errors
        lua_settop(L, 0);
    }
    FlushPipes();
    if (WindowHandle())
        glfwSwapBuffers(WindowHandle());
    return 0;
}
