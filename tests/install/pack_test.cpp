// demohost-pack end to end: a packed demo unpacked elsewhere runs from any folder on its own
// libraries, in each of the three forms; bad input is named and leaves nothing behind.

#include "support/audio_files.h"
#include "support/run.h"
#include "support/screen.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

// A demo with a module (reached through a link to a file outside res/), an image, a shader and
// music with a sync point. It prints what it was given and loaded, fills its window with red,
// and quits on Escape.
static void WriteDemo(const ScriptDir& demo)
{
    demo.Write("res/main.lua", R"(
        local host = require("demohost")
        local colour = require("colour")
        local frames, synced = 0, false
        function initialize(args)
            print("args " .. table.concat(args, ","))
            OpenWindow(200, 150, "pack-test")
            print("image " .. LoadImage("res/images/star.png"))
            print("shader " .. LoadShader("res/shaders/plain.shader"))
            PlayMusicWithSync("res/music/tone.wav", {0.1, "tick"})
        end
        function MusicSync(name) print("sync " .. name) synced = true end
        function update()
            frames = frames + 1
            DrawBoxWithColor(100, 75, 200, 150, 0, 0, colour[1], colour[2], colour[3], 1)
            if frames == 20 then print("drawn") end
            if host.pressed("escape") then Quit() end
        end)");
    demo.Write("outside/colour.lua", "return {1, 0, 0}\n");
    fs::create_symlink("../outside/colour.lua", demo.Path() + "/res/colour.lua");
    fs::create_directories(demo.Path() + "/res/images");
    fs::copy_file(std::string(DEMOHOST_SOURCE_DIR) + "/res/images/star.png",
                  demo.Path() + "/res/images/star.png");
    demo.Write("res/shaders/plain.shader", "[vertex]\nvoid main() { gl_Position = ftransform(); }\n"
                                           "[fragment]\nvoid main() { gl_FragColor = vec4(1.0); }\n");
    fs::create_directories(demo.Path() + "/res/music");
    fs::copy_file(WriteSine("pack-tone.wav", 2, 440, 0.5), demo.Path() + "/res/music/tone.wav");
}

// A folder for outputs: a script folder without its res/.
class OutputDir : public ScriptDir {
public:
    OutputDir() { fs::remove_all(Path() + "/res"); }
};

static RunResult Pack(const ScriptDir& demo, const std::vector<std::string>& args)
{
    return RunProgramIn(PACK_PATH, demo, args, 120);
}

// Every file below `root` by its path from there, with ":x" after the executable ones.
static std::set<std::string> Listing(const fs::path& root)
{
    std::set<std::string> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_directory())
            continue;
        bool executable = (entry.status().permissions() & fs::perms::owner_exec) != fs::perms::none;
        files.insert(fs::relative(entry.path(), root).string() + (executable ? ":x" : ""));
    }
    return files;
}

// What a command prints, split into words.
static std::vector<std::string> Words(const std::string& command)
{
    std::istringstream out(CommandOutput(command));
    std::vector<std::string> words;
    for (std::string word; out >> word;)
        words.push_back(word);
    return words;
}

// What every Linux machine provides and a packed demo must take from it: the C library family,
// the graphics driver's libraries and the X, Wayland and sound-server clients.
static bool SystemLibrary(const std::string& name)
{
    for (const char* prefix :
         {"ld-linux", "libc.so", "libm.so", "libpthread.so", "libdl.so", "librt.so", "libGL.so",
          "libGLX", "libGLdispatch", "libOpenGL", "libEGL", "libgbm", "libdrm", "libX", "libxcb",
          "libxkbcommon", "libwayland-", "libasound", "libpulse"})
        if (name.rfind(prefix, 0) == 0)
            return true;
    return false;
}

// The shared libraries mapped into process `pid`.
static std::set<std::string> MappedLibraries(int pid)
{
    std::set<std::string> paths;
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    for (std::string line; std::getline(maps, line);) {
        size_t slash = line.find('/');
        if (slash != std::string::npos && line.find(".so", slash) != std::string::npos)
            paths.insert(line.substr(slash));
    }
    return paths;
}

// The files of `folder`, by name.
static std::set<std::string> FileNames(const fs::path& folder)
{
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file())
            names.insert(entry.path().filename().string());
    return names;
}

// Checks that the running bundled program at `top` took every library it has in lib/ from there,
// and that whatever it or a bundled library needs is bundled or the system's. The C++ runtime in
// lib/runtime/ is bundled too, and must be mapped from there exactly when `bundled_runtime`.
static void ExpectOwnLibraries(const fs::path& top, int pid, bool bundled_runtime)
{
    std::set<std::string> bundled = FileNames(top / "lib");
    std::set<std::string> runtime = FileNames(top / "lib" / "runtime");
#ifdef DEMOHOST_LUAJIT
    EXPECT_TRUE(bundled.count("libluajit-5.1.so.2"));
#else
    EXPECT_TRUE(bundled.count("liblua5.1.so.0"));
#endif
    EXPECT_TRUE(bundled.count("libSDL2-2.0.so.0"));
    // Only SDL pulls in the window decorations: a desktop without SDL lacks them.
    EXPECT_TRUE(bundled.count("libdecor-0.so.0"));
    EXPECT_EQ(runtime, (std::set<std::string>{"libgcc_s.so.1", "libstdc++.so.6"}));
    bool runtime_from_bundle = false;
    for (const std::string& path : MappedLibraries(pid)) {
        runtime_from_bundle |= path == (top / "lib" / "runtime" / "libstdc++.so.6").string();
        if (path.rfind((top / "lib").string() + "/", 0) == 0)
            continue;
        std::string file = fs::path(path).filename().string();
        for (const std::string& soname : bundled)
            EXPECT_NE(file.rfind(soname, 0), 0u) << path << " was loaded instead of the bundle's";
    }
    EXPECT_EQ(runtime_from_bundle, bundled_runtime);
    std::vector<fs::path> objects{top / "demohost"};
    for (const std::string& soname : bundled)
        objects.push_back(top / "lib" / soname);
    for (const std::string& soname : runtime)
        objects.push_back(top / "lib" / "runtime" / soname);
    for (const fs::path& object : objects) {
        for (const std::string& needed : Words("patchelf --print-needed '" + object.string() + "'"))
            EXPECT_TRUE(bundled.count(needed) || runtime.count(needed) || SystemLibrary(needed))
                << object.filename() << " needs " << needed << ", which is not bundled";
    }
    // The system's folders first in LD_LIBRARY_PATH do not win over the bundle either.
    std::vector<std::string> resolved = Words(
        "LD_LIBRARY_PATH=/usr/lib/x86_64-linux-gnu:/lib/x86_64-linux-gnu ldd '" +
        (top / "demohost").string() + "'");
    for (size_t i = 0; i + 2 < resolved.size(); i++) {
        if (bundled.count(resolved[i]) && resolved[i + 1] == "=>") {
            EXPECT_EQ(resolved[i + 2], (top / "lib" / resolved[i]).string());
        }
    }
}

// Runs the launcher at `top` from another folder with nothing in LD_LIBRARY_PATH, checks that it
// draws, plays, gets its arguments and took its libraries as ExpectOwnLibraries says, then quits it
// with Escape.
static void ExpectRunsOnItsOwn(const fs::path& top, bool bundled_runtime)
{
    ScriptDir elsewhere;
    setenv("LD_LIBRARY_PATH", "", 1);
    BackgroundRun run((top / top.filename()).c_str(), elsewhere, {"first", "second"});
    unsetenv("LD_LIBRARY_PATH");
    ASSERT_TRUE(run.WaitFor("drawn", 30)) << run.Output();
    EXPECT_TRUE(run.WaitFor("sync tick", 30)) << run.Output();
    Rgba centre = ScreenPixel(100, 75);
    for (int i = 0; i < 100 && !(centre == Rgba{255, 0, 0, 255}); i++) {
        usleep(10000);
        centre = ScreenPixel(100, 75);
    }
    EXPECT_EQ(centre, (Rgba{255, 0, 0, 255}));
    ExpectOwnLibraries(top, run.Pid(), bundled_runtime);
    ASSERT_EQ(system("xdotool search --sync --name '^pack-test$' mousemove --window %1 20 20 "
                     "key Escape"),
              0);
    EXPECT_EQ(run.WaitForExit(10), 0);
    for (const char* line : {"args first,second\n", "image 1\n", "shader 1\n", "sync tick\n"})
        EXPECT_NE(run.Output().find(line), std::string::npos) << line << run.Output();
    EXPECT_EQ(run.Output().find("rror"), std::string::npos) << run.Output();
}

TEST(Pack, AnUnpackedDemoRunsFromAnotherFolderOnItsOwnLibraries)
{
    ScriptDir demo;
    fs::remove_all(demo.Path() + "/res/font");
    WriteDemo(demo);
    OutputDir out;
    std::string archive = out.Path() + "/party.tar.gz";
    RunResult packed = Pack(demo, {"--name", "party", archive});
    ASSERT_EQ(packed.exit_code, 0) << packed.err;
    EXPECT_EQ(packed.err, "");

    OutputDir unpacked;
    ASSERT_EQ(system(("tar -xzf '" + archive + "' -C '" + unpacked.Path() + "'").c_str()), 0);
    fs::path top = fs::path(unpacked.Path()) / "party";
    EXPECT_TRUE(fs::is_regular_file(top / "res/font/mono-20.fnt"));
    EXPECT_FALSE(fs::is_symlink(top / "res/colour.lua"));
    EXPECT_FALSE(fs::is_empty(top / "licenses"));

    // This machine's C++ runtime is the one bundled: the system's is used.
    ExpectRunsOnItsOwn(top, false);
    // A machine whose runtime is older than the bundle's gets the bundle's.
    std::string launcher = ReadWholeFile((top / "party").string());
    size_t version = launcher.find("bundled=");
    ASSERT_NE(version, std::string::npos);
    launcher.insert(version + 8, "99");
    std::ofstream(top / "party", std::ios::trunc) << launcher;
    ExpectRunsOnItsOwn(top, true);
}

TEST(Pack, ZipAndFolderHoldWhatTheArchiveHolds)
{
    ScriptDir demo;
    WriteDemo(demo);
    OutputDir out;
    ASSERT_EQ(Pack(demo, {out.Path() + "/demo.tar.gz"}).exit_code, 0);
    ASSERT_EQ(Pack(demo, {out.Path() + "/demo.zip"}).exit_code, 0);
    ASSERT_EQ(Pack(demo, {out.Path() + "/folder"}).exit_code, 0);
    std::string name = fs::path(demo.Path()).filename().string();

    OutputDir from_tar, from_zip;
    ASSERT_EQ(system(("tar -xzf '" + out.Path() + "/demo.tar.gz' -C '" + from_tar.Path() + "'")
                         .c_str()),
              0);
    ASSERT_EQ(system(("unzip -q '" + out.Path() + "/demo.zip' -d '" + from_zip.Path() + "'")
                         .c_str()),
              0);
    std::set<std::string> files = Listing(fs::path(from_tar.Path()) / name);
    EXPECT_TRUE(files.count(name + ":x"));
    EXPECT_TRUE(files.count("demohost:x"));
    EXPECT_TRUE(files.count("res/main.lua"));
    EXPECT_TRUE(files.count("res/music/tone.wav"));
    // The demo's own font is kept: the default one is added only when res/font/ lacks it.
    EXPECT_TRUE(files.count("res/font/title-40.fnt"));
    EXPECT_EQ(Listing(fs::path(from_zip.Path()) / name), files);
    EXPECT_EQ(Listing(fs::path(out.Path()) / "folder" / name), files);
    // Only the three outputs are left beside each other.
    EXPECT_EQ(Listing(out.Path()).size(), 2 + files.size());
}

// Runs demohost-pack in `demo` for `output` and checks that it fails with `message` in its error
// output and leaves `out` as it was.
static void ExpectRefused(const ScriptDir& demo, const OutputDir& out, const std::string& output,
                          const std::string& message, std::vector<std::string> options = {})
{
    std::set<std::string> before = Listing(out.Path());
    options.push_back(output);
    RunResult r = Pack(demo, options);
    EXPECT_EQ(r.exit_code, 1) << message;
    EXPECT_EQ(r.err, "demohost-pack: " + message + "\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Listing(out.Path()), before) << message;
    EXPECT_EQ(fs::directory_iterator(out.Path()), fs::directory_iterator()) << message;
}

TEST(Pack, BadInputIsNamedAndLeavesNothing)
{
    OutputDir out;
    std::string archive = out.Path() + "/demo.tar.gz";

    ScriptDir empty;
    ExpectRefused(empty, out, archive,
                  "no res/main.lua in " + fs::canonical(empty.Path()).string() +
                      ": run demohost-pack in the demo's folder");

    ScriptDir dangling;
    dangling.Write("res/main.lua", "");
    fs::create_symlink("gone.png", dangling.Path() + "/res/image.png");
    ExpectRefused(dangling, out, archive, "res/image.png is a link that points nowhere");

    ScriptDir looping;
    looping.Write("res/main.lua", "");
    fs::create_symlink("b", looping.Path() + "/res/a");
    fs::create_symlink("a", looping.Path() + "/res/b");
    ExpectRefused(looping, out, archive, "res/a is a link that loops");

    ScriptDir folder_loop;
    folder_loop.Write("res/main.lua", "");
    fs::create_directories(folder_loop.Path() + "/res/deep");
    fs::create_symlink("..", folder_loop.Path() + "/res/deep/up");
    ExpectRefused(folder_loop, out, archive,
                  "res/deep/up is a link that loops (back to a folder it lies in)");

    ScriptDir fifo;
    fifo.Write("res/main.lua", "");
    ASSERT_EQ(mkfifo((fifo.Path() + "/res/pipe").c_str(), 0600), 0);
    ExpectRefused(fifo, out, archive, "res/pipe is neither a file nor a folder");

    // The demo's own folder, or a place inside res/, is never the output, even with --force.
    ScriptDir demo;
    demo.Write("res/main.lua", "print('kept')\n");
    ExpectRefused(demo, out, demo.Path(), demo.Path() + " already exists (--force replaces it)");
    ExpectRefused(demo, out, demo.Path(),
                  demo.Path() + " holds the demo itself; choose another output", {"--force"});
    ExpectRefused(demo, out, "res/inside",
                  "res/inside lies inside res/; choose another output");
    EXPECT_EQ(ReadWholeFile(demo.Path() + "/res/main.lua"), "print('kept')\n");
    EXPECT_FALSE(fs::exists(demo.Path() + "/res/inside"));

    RunResult usage = Pack(demo, {});
    EXPECT_EQ(usage.exit_code, 2);
    EXPECT_EQ(usage.err, "usage: demohost-pack [--name NAME] [--force] OUTPUT\n");
}

TEST(Pack, AnExistingOutputIsKeptUnlessForced)
{
    ScriptDir demo;
    demo.Write("res/main.lua", "");
    OutputDir out;
    std::string archive = out.Path() + "/demo.tar.gz";
    std::ofstream(archive) << "keep";
    RunResult kept = Pack(demo, {archive});
    EXPECT_EQ(kept.exit_code, 1);
    EXPECT_EQ(kept.err, "demohost-pack: " + archive + " already exists (--force replaces it)\n");
    EXPECT_EQ(ReadWholeFile(archive), "keep");
    EXPECT_EQ(Listing(out.Path()).size(), 1u);

    RunResult forced = Pack(demo, {"--force", archive});
    EXPECT_EQ(forced.exit_code, 0) << forced.err;
    std::string content = ReadWholeFile(archive);
    ASSERT_GE(content.size(), 2u);
    EXPECT_EQ(content.substr(0, 2), "\x1f\x8b");
    EXPECT_EQ(Listing(out.Path()).size(), 1u);
}

TEST(Pack, AFileThatCannotBeReadIsNamed)
{
    ScriptDir demo;
    demo.Write("res/main.lua", "");
    demo.Write("res/secret.lua", "");
    fs::permissions(demo.Path() + "/res/secret.lua", fs::perms::none);
    fs::permissions(demo.Path(), fs::perms::all, fs::perm_options::add);
    OutputDir out;
    fs::permissions(out.Path(), fs::perms::all, fs::perm_options::add);
    std::string archive = out.Path() + "/demo.tar.gz";
    std::vector<std::string> command{PACK_PATH, archive};
    std::string program = PACK_PATH;
    // The superuser reads every file: the packer runs as nobody then, from a copy it can reach.
    OutputDir bin;
    if (geteuid() == 0) {
        fs::permissions(bin.Path(), fs::perms::all, fs::perm_options::add);
        fs::copy_file(PACK_PATH, bin.Path() + "/demohost-pack");
        fs::copy_file(DEMOHOST_PATH, bin.Path() + "/demohost");
        program = "/usr/bin/setpriv";
        command = {"--reuid=nobody", "--regid=nogroup", "--clear-groups",
                   bin.Path() + "/demohost-pack", archive};
    } else {
        command.erase(command.begin());
    }
    RunResult r = RunProgramIn(program, demo, command, 60);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "demohost-pack: cannot read res/secret.lua\n");
    EXPECT_TRUE(fs::is_empty(out.Path()));
}
