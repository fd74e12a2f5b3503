// Every script function takes any arguments without crashing or raising a script error.

#include "support/gl.h"

#include "app/api.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

// Calls each registered function (`names`, set by the test) with arguments of every kind, before
// and after the window opens.
static const char* kSweep = R"(
    assert(#names > 0)
    local nan, inf = 0/0, math.huge
    local many = {}
    for i = 1, 20 do many[i] = i end
    local argument_lists = {
        {},
        {nil, nil, nil},
        {true, false, {}, print, coroutine.create(function() end)},
        {"12", "34", "5.5", "abc", "0x10", " 7 "},
        {nan, inf, -inf, 1e308, -1e308, 1e30, -0.0, 2^53, -2^31, 4.9e-324, nan, inf, -inf},
        {string.rep("x", 100000), string.rep("\0", 10), "\200\201", ""},
        many,
    }
    count = 0
    function sweep(skip_window)
        for _, name in ipairs(names) do
            local f = _G[name]
            if not (skip_window and name == "OpenWindow") then
                for i, args in ipairs(argument_lists) do
                    local ok, err = pcall(f, unpack(args, 1, 20))
                    assert(ok, name .. " with list " .. i .. ": " .. tostring(err))
                    count = count + 1
                end
            end
        end
        return count
    end
)";

// The registry's names, as the Lua table `names`.
static void SetNames(lua_State* L)
{
    lua_newtable(L);
    int i = 0;
    for (const char* name : ScriptGlobalNames()) {
        lua_pushstring(L, name);
        lua_rawseti(L, -2, ++i);
    }
    lua_setglobal(L, "names");
}

TEST(ScriptApi, AnyArgumentsAreAcceptedBeforeAndAfterTheWindowOpens)
{
    TestState lua;
    SetNames(lua.L);
    ASSERT_EQ(lua.Run(kSweep), "");
    testing::internal::CaptureStdout();
    EXPECT_EQ(lua.Run("sweep(true)"), "");
    EXPECT_EQ(lua.Run("OpenWindow(64, 64, 'sweep')"), "");
    EXPECT_EQ(lua.Run("sweep(false)"), "");
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(lua.Run("assert(count == (2 * #names - 1) * 7, count)"), "");
}

TEST(ScriptApi, TheRegistryInstallsExactlyTheTwentySevenFunctions)
{
    // Globals of a state with the standard libraries only, then the ones the registry adds.
    lua_State* plain = luaL_newstate();
    luaL_openlibs(plain);
    TestState lua;
    lua_pushnil(lua.L);
    std::vector<std::string> added;
    while (lua_next(lua.L, LUA_GLOBALSINDEX)) {
        lua_pop(lua.L, 1);
        std::string name = lua_tostring(lua.L, -1) ? lua_tostring(lua.L, -1) : "";
        lua_getglobal(plain, name.c_str());
        if (lua_isnil(plain, -1))
            added.push_back(name);
        lua_pop(plain, 1);
    }
    lua_close(plain);
    std::sort(added.begin(), added.end());
    std::vector<std::string> expected = {"OpenWindow", "DrawBox", "DrawBoxWithColor", "DrawLine",
        "GetKey", "GetMouse", "PlayMusic", "PlayMusicWithSync", "GetSpectrum", "LoadImage",
        "SetAdditiveBlend", "LoadShader", "SetShader", "SetShaderParami", "SetShaderParamf",
        "BindRenderTarget", "UnbindRenderTarget", "DrawRenderTarget", "MakeRenderTarget",
        "DrawRenderTargets", "DrawFullScreenQuad", "RenderTargetAsTexture", "ShowProfiling",
        "LoadFont", "DrawText", "SetVolume", "Quit"};
    std::sort(expected.begin(), expected.end());
    std::vector<const char*> names = ScriptGlobalNames();
    std::vector<std::string> registered(names.begin(), names.end());
    std::sort(registered.begin(), registered.end());
    EXPECT_EQ(registered, expected);
    std::string got;
    for (const std::string& name : added)
        got += (got.empty() ? "" : " ") + name;
    std::string listed;
    for (const std::string& name : expected)
        listed += (listed.empty() ? "" : " ") + name;
    EXPECT_EQ(got, listed);
}

TEST(ScriptApi, FunctionsWithoutResultsYieldNothing)
{
    TestState lua;
    EXPECT_EQ(lua.Run(R"(
        assert(select("#", Quit()) == 0)
        assert(select("#", GetKey(7)) == 1 and GetKey(7) == false)
        assert(select("#", GetMouse(1, 2, 3)) == 4)
    )"), "");
}

// Caps the process's address space at what it uses now plus `extra` bytes.
static void CapAddressSpace(size_t extra)
{
    std::ifstream statm("/proc/self/statm");
    size_t pages = 0;
    statm >> pages;
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max = pages * static_cast<size_t>(sysconf(_SC_PAGESIZE)) + extra;
    setrlimit(RLIMIT_AS, &limit);
}

// In this (child) process: a window, the default font as `font`, a text of 30 million characters
// as `text` and the module as `host`, then 1 GiB to spare, which the text's mesh needs more
// than; runs `code` and exits with 0 when it raised no error, its output and error on stderr.
static void RunWithTextTooBigForMemory(const std::string& code)
{
    OpenTestWindow(64, 64);
    TestState lua;
    std::string font = std::string(DEMOHOST_SOURCE_DIR) + "/res/font/";
    lua.Run("host = require 'demohost' font = LoadFont('" + font + "mono-20.fnt', '" + font +
            "') text = string.rep('x', 30000000)");
    CapAddressSpace(size_t(1) << 30);
    testing::internal::CaptureStdout();
    std::string error = lua.Run(code);
    std::string out = testing::internal::GetCapturedStdout();
    fprintf(stderr, "%s%s", out.c_str(), error.c_str());
    exit(error.empty() ? 0 : 1);
}

// A global gives its neutral result and a line; a module function raises a script error, which
// the script can catch. Either way the next call works.
TEST(ScriptApi, AnAllocationThatFailsEndsTheCallNotTheProgram)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer's shadow memory does not fit under an address-space cap";
#endif
    EXPECT_EXIT(RunWithTextTooBigForMemory(
                    "DrawText(font, text, 0, 0, -1, false, 1, 1, 1, 1) "
                    "assert(select('#', DrawText(font, 'y', 0, 0)) == 0)"),
                testing::ExitedWithCode(0), "^Out of memory in DrawText\n$");
    EXPECT_EXIT(RunWithTextTooBigForMemory(
                    "local ok, e = pcall(host.text_size, font, text) "
                    "io.stderr:write(tostring(e), '\\n') "
                    "assert(host.text_size(font, 'y') > 0)"),
                testing::ExitedWithCode(0), "^out of memory in demohost.text_size\n$");
}

TEST(ScriptApi, AScriptAllocationThatFailsIsAScriptErrorOnEitherEngine)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer's shadow memory does not fit under an address-space cap";
#endif
    // A string and a table too big for 256 MiB to spare: each a caught error, and the state
    // goes on allocating afterwards.
    EXPECT_EXIT(
        {
            TestState lua;
            CapAddressSpace(size_t(256) << 20);
            std::string error = lua.Run(
                "local ok, e = pcall(string.rep, 'x', 1e9) assert(not ok, 'string made') "
                "io.stderr:write(e, '\\n') "
                "ok, e = pcall(function() local t = {} for i = 1, 1e9 do t[i] = i end end) "
                "assert(not ok, 'table made') io.stderr:write(e, '\\n') "
                "assert(#string.rep('y', 1000) == 1000)");
            fprintf(stderr, "%s", error.c_str());
            exit(error.empty() ? 0 : 1);
        },
        testing::ExitedWithCode(0), "^not enough memory\nnot enough memory\n$");
}
