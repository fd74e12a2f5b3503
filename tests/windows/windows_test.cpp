// The Windows programs end to end under Wine on the test display: demohost.exe draws boxes,
// lines, text, an image and a render target through a shader, survives a script error, delivers
// a sync point, quits with status 0 and loads the zones module; demohost-live.exe reloads a saved
// change with the music playing on, jumps on F8 and talks to the sync editor. The programs are
// build-windows/'s.

#include "support/fake_editor.h"
#include "support/run.h"
#include "support/screen.h"

#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

static const char* kWine = "/usr/lib/wine/wine64";

static std::string WindowsProgram(const char* name)
{
    return std::string(DEMOHOST_SOURCE_DIR) + "/build-windows/" + name;
}

// Where the script's picture lies on the screen: found by its red box, whose top-left corner is
// at (`left`, `top`) of the picture (Wine's windows, unmanaged, have no name to search by).
static bool PicturePosition(int left, int top, int& x, int& y)
{
    for (int i = 0; i < 300; i++) {
        if (FindOnScreen({255, 0, 0, 255}, x, y)) {
            x -= left;
            y -= top;
            return true;
        }
        usleep(10000);
    }
    return false;
}

// The screen's pixel at (x, y) once it is `expected`, waiting up to two seconds for it.
static Rgba PixelOnceItIs(int x, int y, const Rgba& expected)
{
    Rgba pixel = ScreenPixel(x, y);
    for (int i = 0; i < 200 && !(pixel == expected); i++) {
        usleep(10000);
        pixel = ScreenPixel(x, y);
    }
    return pixel;
}

// A mono 16-bit WAV file of `samples` at 44100 Hz.
static void WriteWav(const std::string& path, const std::vector<short>& samples)
{
    FILE* file = fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    auto word = [&](uint32_t value, int bytes) { fwrite(&value, 1, static_cast<size_t>(bytes), file); };
    uint32_t data = static_cast<uint32_t>(samples.size() * 2);
    fwrite("RIFF", 1, 4, file);
    word(36 + data, 4);
    fwrite("WAVEfmt ", 1, 8, file);
    word(16, 4), word(1, 2), word(1, 2), word(44100, 4), word(88200, 4), word(2, 2), word(16, 2);
    fwrite("data", 1, 4, file);
    word(data, 4);
    fwrite(samples.data(), 2, samples.size(), file);
    fclose(file);
}

class WindowsPrograms : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(access(WindowsProgram("demohost.exe").c_str(), X_OK), 0)
            << "build the Windows programs first: ./test --windows";
        setenv("WINEPREFIX", (std::string(DEMOHOST_SOURCE_DIR) + "/build-windows/wine").c_str(), 1);
        setenv("WINEDEBUG", "-all", 1);
        setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
    ScriptDir dir;
};

TEST_F(WindowsPrograms, DemohostDrawsEveryKindOfThingAndQuitsWithZero)
{
    unsigned char white[4 * 4 * 4];
    for (unsigned char& byte : white)
        byte = 255;
    stbi_write_png((dir.Path() + "/res/white.png").c_str(), 4, 4, 4, white, 16);
    dir.Write("res/blue.shader", "[vertex]\nvoid main() { gl_Position = ftransform(); }\n"
                                 "[fragment]\nvoid main() { gl_FragColor = vec4(0.0, 0.0, 1.0, 1.0); }\n");
    // Paths in the script written with either separator.
    dir.Write("res/scenes/colour.lua", "return 'red'");
    dir.Write("res/two.lua", "return 2");
    dir.Write("res/main.lua", R"(
local frames = 0
function initialize(args)
    print("args " .. table.concat(args, ","))
    OpenWindow(320, 240, "windows-draw")
    font = LoadFont("res\\font\\mono-20.fnt", "res\\font\\")
    image = LoadImage("res\\white.png")
    shader = LoadShader("res/blue.shader")
    target = MakeRenderTarget(64, 64, 1)
    print("loaded", font, image, shader, target, require("scenes.colour"), dofile("res\\two.lua"))
end
function update(time, dt)
    frames = frames + 1
    BindRenderTarget(target, 0)
    DrawBox(32, 32, 64, 64, 0, 0)
    UnbindRenderTarget()
    SetShader(shader)
    DrawRenderTarget(target, 0)
    SetShader(0)
    DrawBoxWithColor(40, 40, 40, 40, 0, 0, 1, 0, 0, 1)
    DrawLine(0, 100, 320, 100, 4, 0, 1, 0, 1, 0, 1, 0, 1)
    DrawBox(140, 40, 40, 40, 0, image)
    DrawText(font, "MMMM", 20, 150, -1, false, 1, 1, 1, 1)
    if frames == 3 then error("on purpose") end
    if frames == 10 then print("drawn") end
    if io.open("quit") then Quit() end
end
)");
    BackgroundRun run(kWine, dir, {WindowsProgram("demohost.exe"), "one", "two"});
    ASSERT_TRUE(run.WaitFor("drawn", 60)) << run.Output();
    int x = 0, y = 0;
    ASSERT_TRUE(PicturePosition(20, 20, x, y));
    EXPECT_EQ(PixelOnceItIs(x + 40, y + 40, {255, 0, 0, 255}), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(PixelOnceItIs(x + 10, y + 100, {0, 255, 0, 255}), (Rgba{0, 255, 0, 255}));
    EXPECT_EQ(PixelOnceItIs(x + 140, y + 40, {255, 255, 255, 255}), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(PixelOnceItIs(x + 280, y + 200, {0, 0, 255, 255}), (Rgba{0, 0, 255, 255}));
    // The text, white over the blue.
    int white_pixels = 0;
    for (int px = 20; px < 100; px++)
        for (int py = 150; py < 174; py++)
            white_pixels += ScreenPixel(x + px, y + py) == Rgba{255, 255, 255, 255};
    EXPECT_GT(white_pixels, 50);
    dir.Write("quit", "");
    EXPECT_EQ(run.WaitForExit(20), 0) << run.Output();
    EXPECT_NE(run.Output().find("args one,two\n"), std::string::npos) << run.Output();
    // The font, its page texture before the image, the shader, the target, the module and the file.
    EXPECT_NE(run.Output().find("loaded\t1\t2\t1\t1\tred\t2\n"), std::string::npos)
        << run.Output();
    EXPECT_EQ(Count(run.Output(), "Error: res/main.lua:24: on purpose\n"), 1u) << run.Output();
}

// Plays a tone with a sync point at 0.2 s; at the point the zones module writes its report and
// the script quits.
static RunResult RunMusicScript(const ScriptDir& dir)
{
    dir.Write("res/main.lua", R"(
local zones = package.loadlib("", "luaopen_ZoneLua")()
function initialize()
    OpenWindow(160, 120, "windows-music")
    PlayMusicWithSync("res/tone.wav", {0.2, "beat"})
end
function MusicSync(name)
    print("sync " .. tostring(name))
    zones.update()
    zones.output("zones.txt")
    Quit()
end
function update() DrawBox(80, 60, 20, 20, 0, 0) end
)");
    std::vector<short> tone(44100);
    for (size_t i = 0; i < tone.size(); i++)
        tone[i] = static_cast<short>(8000 * ((i / 50) % 2 ? 1 : -1));
    WriteWav(dir.Path() + "/res/tone.wav", tone);
    return RunProgramIn(kWine, dir, {WindowsProgram("demohost.exe")}, 60);
}

TEST_F(WindowsPrograms, MusicSyncsArriveAndTheZonesModuleWritesItsReport)
{
    RunResult run = RunMusicScript(dir);
    EXPECT_EQ(run.exit_code, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("sync beat\n"), std::string::npos) << run.out;
    std::string report = ReadWholeFile(dir.Path() + "/zones.txt");
    EXPECT_NE(report.find("sorted list"), std::string::npos) << report;
    EXPECT_NE(report.find("LuaUpdate"), std::string::npos) << report;
}

// The system's default device (WASAPI), which Wine plays through the PulseAudio null sink.
TEST_F(WindowsPrograms, TheDefaultDevicePlaysThroughPulseAudio)
{
    unsetenv("SDL_AUDIODRIVER");
    setenv("XDG_RUNTIME_DIR", DEMOHOST_PULSE_DIR, 1);
    RunResult run = RunMusicScript(dir);
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(run.exit_code, 0) << run.out << run.err;
    EXPECT_EQ(run.out.find("Audio error"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("sync beat\n"), std::string::npos) << run.out;
}

TEST_F(WindowsPrograms, LiveReloadsASaveWithTheMusicPlayingOnAndJumpsOnF8)
{
    std::vector<short> silence(44100 * 20);
    WriteWav(dir.Path() + "/res/long.wav", silence);
    const std::string script = R"(
local host = require "demohost"
local first = true
function initialize()
    OpenWindow(160, 120, "windows-live")
    PlayMusic("res/long.wav")
    print("started VERSION", (host.music()))
end
function update(time)
    if first then print("first update", time) first = false end
    DrawBoxWithColor(40, 40, 40, 40, 0, 0, 1, 0, 0, 1)
end
)";
    auto version = [&](const char* name) {
        std::string text = script;
        text.replace(text.find("VERSION"), 7, name);
        return text;
    };
    dir.Write("res/main.lua", version("one"));
    BackgroundRun run(kWine, dir, {WindowsProgram("demohost-live.exe")});
    ASSERT_TRUE(run.WaitFor("first update", 60)) << run.Output();
    sleep(1);
    dir.Write("res/main.lua", version("two"));
    ASSERT_TRUE(run.WaitFor("started two", 30)) << run.Output();
    ASSERT_TRUE(run.WaitFor("first update", 10, 2)) << run.Output();
    // The music went on: the new state found it a second or more in, not at the start.
    std::vector<std::string> started = Lines(run.Output(), "started two\t");
    ASSERT_EQ(started.size(), 1u) << run.Output();
    EXPECT_GT(std::stod(started[0]), 0.5) << run.Output();
    int x = 0, y = 0;
    ASSERT_TRUE(PicturePosition(20, 20, x, y));
    // An unmanaged window takes the keyboard once clicked; a key sent before that is lost, so
    // the press is sent again until the jump's reload shows.
    std::string press = "xdotool mousemove " + std::to_string(x + 5) + " " + std::to_string(y + 5) +
                        " click 1 sleep 0.2 key F8";
    bool jumped = false;
    for (int i = 0; i < 10 && !jumped; i++) {
        ASSERT_EQ(system(press.c_str()), 0);
        jumped = run.WaitFor("first update", 2, 3);
    }
    ASSERT_TRUE(jumped) << run.Output();
    std::vector<std::string> after = Lines(run.Output(), "first update\t");
    ASSERT_GE(after.size(), 3u);
    EXPECT_GE(std::stod(after[2]), std::stod(after[1]) + 1.0) << run.Output();
    run.Stop();
}

// The sync editor's link over Winsock: the demo asks for its track, plays the editor's key back,
// reports its rows while playing and writes the track file when the editor saves.
TEST_F(WindowsPrograms, LiveTalksToTheSyncEditor)
{
    std::vector<short> silence(44100 * 20);
    WriteWav(dir.Path() + "/res/long.wav", silence);
    dir.Write("res/main.lua", R"(
local host = require "demohost"
local last
function initialize()
    OpenWindow(160, 120, "windows-editor")
    PlayMusic("res/long.wav")
end
function update()
    local v = string.format("v %g", host.track("x"))
    if v ~= last then print(v) last = v end
end
)");
    FakeEditor editor;
    BackgroundRun run(kWine, dir,
                      {WindowsProgram("demohost-live.exe"), "--editor", editor.Address()});
    ASSERT_TRUE(editor.Accept(60)) << run.Output();
    editor.Pause(true);
    editor.SetRow(0);
    ASSERT_TRUE(editor.WaitForTracks(1, 20)) << run.Output();
    EXPECT_EQ(editor.tracks, std::vector<std::string>{"x"});
    editor.SetKey(0, 0, 2.5f, 0);
    EXPECT_TRUE(run.WaitFor("v 2.5\n", 10)) << run.Output();
    editor.Pause(false);
    EXPECT_TRUE(editor.ReadUntil([&] { return editor.rows.size() >= 2; }, 10)) << run.Output();
    editor.SaveTracks();
    ASSERT_TRUE(run.WaitFor("demohost-live: saved 1 tracks", 10)) << run.Output();
    std::string bytes = ReadWholeFile(dir.Path() + "/res/sync_x.track");
    ASSERT_EQ(bytes.size(), 13u) << "one key: count, row, value, type";
    float value;
    memcpy(&value, bytes.data() + 8, sizeof value);
    EXPECT_EQ(value, 2.5f);
    EXPECT_TRUE(editor.understood);
    run.Stop();
}

// The Windows packer, run on Linux: a zip with one folder NAME, unpacked elsewhere, whose NAME.exe
// started from a third folder runs the demo from its own folder with its arguments and loads no
// DLL but its own and Windows'.
TEST_F(WindowsPrograms, APackedDemoRunsFromAnyFolderOnItsOwnDlls)
{
    dir.Write("res/main.lua", R"(
local frames = 0
function initialize(args)
    print("args " .. table.concat(args, ","))
    OpenWindow(200, 150, "windows-pack")
    print("font", LoadFont("res/font/mono-20.fnt", "res/font/"))
end
function update()
    frames = frames + 1
    DrawBoxWithColor(100, 75, 60, 60, 0, 0, 1, 0, 0, 1)
    if frames == 10 then print("drawn") end
    if io.open("quit") then Quit() end
end
)");
    std::string pack = std::string(DEMOHOST_SOURCE_DIR) + "/build-windows/demohost-pack";
    std::string zip = dir.Path() + ".zip";
    RunResult packed = RunProgramIn(pack, dir, {"--name", "party", zip});
    ASSERT_EQ(packed.exit_code, 0) << packed.out << packed.err;
    ScriptDir unpacked, elsewhere;
    ASSERT_EQ(system(("cd '" + unpacked.Path() + "' && unzip -q '" + zip + "'").c_str()), 0);
    std::string top = unpacked.Path() + "/party";
    for (const char* file : {"party.exe", "demohost.exe", "demohost-engine.dll", "lua51.dll",
                             "res/main.lua", "res/font/mono-20.fnt", "licenses/lua.txt"})
        EXPECT_EQ(access((top + "/" + file).c_str(), R_OK), 0) << file;

    // Wine names every DLL it loads on standard error, kept in a file.
    setenv("WINEDEBUG", "+loaddll", 1);
    std::string trace = elsewhere.Path() + ".dlls";
    BackgroundRun run("/bin/sh", elsewhere,
                      {"-c", std::string("exec ") + kWine + " '" + top +
                                 "/party.exe' first second 2>'" + trace + "'"});
    ASSERT_TRUE(run.WaitFor("drawn", 60)) << run.Output();
    int x = 0, y = 0;
    EXPECT_TRUE(PicturePosition(70, 45, x, y)) << "the red box";
    // The demo's own folder is its working directory.
    std::ofstream(top + "/quit");
    EXPECT_EQ(run.WaitForExit(20), 0) << run.Output();
    EXPECT_NE(run.Output().find("args first,second\n"), std::string::npos) << run.Output();
    EXPECT_NE(run.Output().find("font\t1\n"), std::string::npos) << run.Output();
    // Each DLL loaded is the pack's or Windows' own (Wine's builtins stand for those).
    std::string windows_top = "Z:" + top;
    for (char& c : windows_top)
        if (c == '/')
            c = '\\';
    int own = 0;
    std::istringstream lines(ReadWholeFile(trace));
    for (std::string line; std::getline(lines, line);) {
        size_t start = line.find("Loaded L\"");
        if (start == std::string::npos)
            continue;
        std::string path = line.substr(start + 9, line.find('"', start + 9) - start - 9);
        std::string single;
        for (size_t i = 0; i < path.size(); i++)
            if (!(path[i] == '\\' && i + 1 < path.size() && path[i + 1] == '\\'))
                single += path[i];
        bool windows = single.rfind("C:\\windows\\", 0) == 0;
        bool bundled = single.rfind(windows_top + "\\", 0) == 0;
        own += bundled;
        EXPECT_TRUE(windows || bundled) << single;
    }
    EXPECT_GE(own, 8) << "the program, its launcher and their DLLs";
    std::remove(zip.c_str());
    std::remove(trace.c_str());
}
