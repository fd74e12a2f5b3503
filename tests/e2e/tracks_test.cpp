// Tracks end to end: demohost-live driven by a stand-in for the sync editor (keys, pause, rows
// both ways, saving, reloads, the editor going and coming back, bad messages), and demohost and
// demohost-capture reading track files.

#include "support/audio_files.h"
#include "support/fake_editor.h"
#include "support/run.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <thread>

namespace fs = std::filesystem;

// Lua for the line "v POSITION VALUES" of the tracks `names` read at 4, 5 and 6 rows a second
// (60 bpm) at the music's position.
static const char kValueLineLua[] = R"(
    local host = require "demohost"
    local function value_line(names)
        local parts = {}
        for _, rpb in ipairs{4, 5, 6} do
            host.tracks{bpm = 60, rows_per_beat = rpb}
            for _, name in ipairs(names) do
                parts[#parts + 1] = string.format("%.9g", host.track(name))
            end
        end
        host.tracks{bpm = 60, rows_per_beat = 4}
        return string.format("v %.6f ", host.music()) .. table.concat(parts, " ")
    end
)";

// A script that plays a 20-second track and prints, whenever they change, "t TIME POSITION" and
// the "v" line of the tracks NAMES; "init GEN" at each start.
static std::string TrackScript(const std::string& gen, const std::string& names)
{
    return kValueLineLua + std::string(R"(
        local names = {)") + names + R"(}
        function initialize()
            OpenWindow(64, 48, "tracks")
            PlayMusic("res/track.wav")
            print("init )" + gen + R"(")
        end
        local last_t, last_v
        function update(time)
            local t = string.format("t %.6f %.6f", time, host.music())
            local v = value_line(names)
            if t ~= last_t then print(t) last_t = t end
            if v ~= last_v then print(v) last_v = v end
        end
    )";
}

static const char kFourNames[] = R"("step", "linear", "smooth", "ramp")";

// The eased share of the way between two keys, as the editor's player library computes it.
static double Ease(int type, double t)
{
    const double kEased[] = {0, t, t * t * (3 - 2 * t), t * t};
    return kEased[type];
}

// The value of track `track` (types 0 to 3) with keys (row 0, value 1) and (row 8, value 3).
static double Keyed(int track, double row)
{
    return 1 + 2 * Ease(track, row / 8);
}

// The "v" line at `position` seconds (paused there) of `tracks` tracks whose values `value` gives.
static std::string ValueLine(double position, const std::function<double(int, double)>& value,
                             int tracks = 4)
{
    char text[64];
    snprintf(text, sizeof text, "v %.6f", position);
    std::string line = text;
    for (int rows_per_second : {4, 5, 6}) {
        for (int track = 0; track < tracks; track++) {
            snprintf(text, sizeof text, " %.9g", value(track, position * rows_per_second));
            line += text;
        }
    }
    return line + "\n";
}

static std::string ValueLine(double position)
{
    return ValueLine(position, Keyed);
}

// The last line of `out` starting with `prefix`, whole; empty when there is none.
static std::string LastLine(const std::string& out, const std::string& prefix)
{
    std::vector<std::string> found = Lines(out, prefix);
    return found.empty() ? "" : prefix + found.back() + "\n";
}

static void Sleep(double seconds)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

// The bytes of a track file of (row, value, type) keys: little-endian count, row, float, type.
struct FileKey {
    int32_t row;
    float value;
    uint8_t type;
};

static std::string TrackFileBytes(const std::vector<FileKey>& keys)
{
    std::string bytes;
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; i++)
            bytes += static_cast<char>(v >> (8 * i));
    };
    put32(static_cast<uint32_t>(keys.size()));
    for (const FileKey& key : keys) {
        uint32_t bits;
        memcpy(&bits, &key.value, sizeof bits);
        put32(static_cast<uint32_t>(key.row));
        put32(bits);
        bytes += static_cast<char>(key.type);
    }
    return bytes;
}

class Tracks : public testing::Test {
protected:
    void SetUp() override
    {
        fs::copy_file(WriteSine("tracks_track.wav", 20.0, 440, 0.3),
                      fs::path(dir.Path()) / "res" / "track.wav");
    }

    // Connects demohost-live, pauses it at row 0, answers its four requests with keys (0, 1)
    // and (8, 3) of types 0 to 3, and moves it to row 2 (half a second).
    void ConnectAndKey(BackgroundRun& live)
    {
        ASSERT_TRUE(editor.Accept(10)) << live.Output();
        editor.Pause(true);
        editor.SetRow(0);
        ASSERT_TRUE(editor.WaitForTracks(4, 10)) << live.Output();
        EXPECT_EQ(editor.tracks, (std::vector<std::string>{"step", "linear", "smooth", "ramp"}));
        for (uint8_t track = 0; track < 4; track++) {
            editor.SetKey(track, 0, 1, track);
            editor.SetKey(track, 8, 3, track);
        }
        editor.SetRow(2);
        ASSERT_TRUE(live.WaitFor(ValueLine(0.5), 10)) << live.Output();
    }

    ScriptDir dir;
    FakeEditor editor;
};

TEST_F(Tracks, TheEditorKeysPausesMovesAndSavesAndTheDemoPlaysItsRowsBack)
{
    dir.Write("res/main.lua", TrackScript("A", kFourNames));
    BackgroundRun live(LIVE_PATH, dir, {"--editor", editor.Address()});
    ConnectAndKey(live);
    EXPECT_TRUE(live.WaitFor("demohost-live: connected to the editor at " + editor.Address(), 1));

    // A key set, then deleted, shows at once.
    editor.SetKey(0, 2, 7, 1);
    auto with_key = [](int track, double row) {
        return track == 0 ? 7 + (3 - 7) * ((row - 2) / 6) : Keyed(track, row);
    };
    EXPECT_TRUE(live.WaitFor(ValueLine(0.5, with_key), 5)) << live.Output();
    editor.DeleteKey(0, 2);
    EXPECT_TRUE(live.WaitFor(ValueLine(0.5), 5, 2)) << live.Output();

    // Paused, neither the music nor the frame time moves.
    Sleep(0.3);
    std::string held = LastLine(live.Output(), "t ");
    Sleep(0.5);
    EXPECT_EQ(LastLine(live.Output(), "t "), held);
    EXPECT_NE(held.find(" 0.500000\n"), std::string::npos) << held;

    // Playing, the demo tells the editor each row it reaches, one after another.
    editor.rows.clear();
    editor.Pause(false);
    ASSERT_TRUE(editor.ReadUntil([&] { return editor.rows.size() >= 4; }, 10)) << live.Output();
    for (size_t i = 1; i < editor.rows.size(); i++)
        EXPECT_EQ(editor.rows[i], editor.rows[i - 1] + 1);
    EXPECT_GE(editor.rows[0], 2u);
    editor.Pause(true);

    // Rows arriving together make one jump (a reload), to the last of them.
    size_t starts = Count(live.Output(), "init A");
    editor.SetRow(5);
    editor.SetRow(9);
    editor.SetRow(2);
    ASSERT_TRUE(live.WaitFor(ValueLine(0.5), 10, 3)) << live.Output();
    Sleep(0.5);
    EXPECT_EQ(Count(live.Output(), "init A"), starts + 1) << live.Output();
    EXPECT_EQ(LastLine(live.Output(), "v "), ValueLine(0.5));

    // Saving writes each track's file; the program's own writes make no reload.
    editor.SaveTracks();
    ASSERT_TRUE(live.WaitFor("demohost-live: saved 4 tracks", 5)) << live.Output();
    for (uint8_t type = 0; type < 4; type++) {
        const char* names[] = {"step", "linear", "smooth", "ramp"};
        EXPECT_EQ(ReadWholeFile(dir.Path() + "/res/sync_" + names[type] + ".track"),
                  TrackFileBytes({{0, 1, type}, {8, 3, type}}))
            << names[type];
    }
    Sleep(1);
    EXPECT_EQ(Count(live.Output(), "init A"), starts + 1) << live.Output();
    EXPECT_FALSE(fs::exists(dir.Path() + "/res/sync_step.track.new"));
    EXPECT_TRUE(editor.understood);
    live.Stop();
}

TEST_F(Tracks, AReloadKeepsTheKeysAndTheEditorGoingAndComingBackKeepsThemToo)
{
    dir.Write("res/main.lua", TrackScript("A", kFourNames));
    BackgroundRun live(LIVE_PATH, dir, {"--editor", editor.Address()});
    ConnectAndKey(live);

    // The new state's new name is asked for, numbered after the others; the old ones are not
    // asked for again and keep their keys.
    dir.Write("res/main.lua", TrackScript("B", std::string(kFourNames) + R"(, "cam:x")"));
    ASSERT_TRUE(live.WaitFor("init B", 10)) << live.Output();
    ASSERT_TRUE(editor.WaitForTracks(5, 5)) << live.Output();
    Sleep(0.3);
    EXPECT_EQ(editor.tracks.back(), "cam:x");
    EXPECT_EQ(editor.tracks.size(), 5u);
    editor.SetKey(4, 0, 42, 0);
    editor.SaveTracks();
    ASSERT_TRUE(live.WaitFor("demohost-live: saved 5 tracks", 5)) << live.Output();
    EXPECT_EQ(ReadWholeFile(dir.Path() + "/res/sync_cam-3Ax.track"), TrackFileBytes({{0, 42, 0}}));
    auto with_cam = [](int track, double row) { return track == 4 ? 42 : Keyed(track, row); };
    EXPECT_TRUE(live.WaitFor(ValueLine(0.5, with_cam, 5), 5)) << live.Output();
    std::string line = LastLine(live.Output(), "v ");

    // The editor goes away: one line, and the program runs on with the keys it has, through a
    // reload too.
    editor.Drop();
    ASSERT_TRUE(live.WaitFor("demohost-live: the editor connection ended", 5)) << live.Output();
    dir.Write("res/main.lua", TrackScript("C", std::string(kFourNames) + R"(, "cam:x")"));
    ASSERT_TRUE(live.WaitFor("init C", 10)) << live.Output();
    Sleep(0.5);
    EXPECT_EQ(LastLine(live.Output(), "v "), line);

    // It comes back: every track is asked for again in the same order, and its keys replace the
    // demo's.
    ASSERT_TRUE(editor.Accept(5)) << live.Output();
    ASSERT_TRUE(editor.WaitForTracks(5, 5)) << live.Output();
    EXPECT_EQ(editor.tracks, (std::vector<std::string>{"step", "linear", "smooth", "ramp",
                                                       "cam:x"}));
    EXPECT_EQ(Count(live.Output(), "demohost-live: connected to the editor"), 2u);
    editor.SetKey(4, 0, 5, 0);
    auto only_cam = [](int track, double) { return track == 4 ? 5 : 0; };
    EXPECT_TRUE(live.WaitFor(ValueLine(0.5, only_cam, 5), 5)) << live.Output();
    live.Stop();
}

TEST_F(Tracks, EachBadMessageEndsTheConnectionWithOneLineAndTheDemoRunsOnWithItsKeys)
{
    dir.Write("res/main.lua", TrackScript("A", kFourNames));
    BackgroundRun live(LIVE_PATH, dir, {"--editor", editor.Address()});
    ConnectAndKey(live);
    struct Bad {
        std::vector<uint8_t> bytes;
        const char* line;
    };
    const Bad kBad[] = {
        {{9}, "the editor connection ended: unknown command 9"},
        {{0, 0, 0, 0, 9, 0, 0, 0, 1, 0, 0, 0, 0, 0}, "ended: a key for track 9, never asked for"},
        {{1, 0, 0, 0, 4, 0, 0, 0, 1}, "ended: a key for track 4, never asked for"},
        {{0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 7}, "ended: unknown key type 7"},
        {{3, 0x80, 0, 0, 0}, "ended: row 2147483648 is out of range"},
        {{0, 0, 0, 0}, "ended: the editor closed it in the middle of a message"},
    };
    std::string keys = ValueLine(0.5);
    for (const Bad& bad : kBad) {
        editor.SendBytes(bad.bytes);
        if (bad.bytes.size() == 4)
            editor.Drop();
        else
            EXPECT_TRUE(editor.WaitForClose(5)) << bad.line;
        ASSERT_TRUE(live.WaitFor(bad.line, 5)) << live.Output();
        Sleep(0.2);
        EXPECT_EQ(LastLine(live.Output(), "v "), keys) << bad.line;
        // It connects again, asks for every track, and gets its keys anew.
        ASSERT_TRUE(editor.Accept(5)) << bad.line << live.Output();
        ASSERT_TRUE(editor.WaitForTracks(4, 5)) << live.Output();
        for (uint8_t track = 0; track < 4; track++) {
            editor.SetKey(track, 0, 1, track);
            editor.SetKey(track, 8, 3, track);
        }
    }
    EXPECT_EQ(Count(live.Output(), "the editor connection ended"), std::size(kBad));

    // Something that greets otherwise is not the editor: one line, however often it is tried.
    editor.Drop();
    for (int i = 0; i < 2; i++) {
        ASSERT_TRUE(editor.Accept(5, "hello, world")) << live.Output();
        EXPECT_TRUE(editor.WaitForClose(5));
    }
    EXPECT_EQ(Count(live.Output(), editor.Address() + " is not the sync editor"), 1u)
        << live.Output();
    EXPECT_EQ(live.WaitForExit(0.1), -1) << "the program ran on";
}

TEST_F(Tracks, AnEditorThatNeverAnswersIsGivenUpWithoutStallingAFrame)
{
    // The connection is made (the port listens) but no greeting ever comes.
    dir.Write("res/main.lua", TrackScript("A", kFourNames));
    BackgroundRun live(LIVE_PATH, dir, {"--editor", editor.Address()});
    ASSERT_TRUE(live.WaitFor("init A", 10)) << live.Output();
    Sleep(0.5);
    size_t before = Count(live.Output(), "t ");
    ASSERT_TRUE(live.WaitFor("demohost-live: no greeting from " + editor.Address(), 10))
        << live.Output();
    // Frames went on while it waited: the music's position moved each frame.
    EXPECT_GT(Count(live.Output(), "t ") - before, 40u) << live.Output();
    // The tries after it are not reported again, and a greeting editor is then taken.
    ASSERT_TRUE(editor.Accept(10)) << live.Output();
    ASSERT_TRUE(editor.WaitForTracks(4, 5)) << live.Output();
    EXPECT_EQ(Count(live.Output(), "no greeting from"), 1u) << live.Output();
    live.Stop();
}

// The four keyed tracks' files, written by hand in the player format.
static void WriteFourFiles(const ScriptDir& dir)
{
    const char* names[] = {"step", "linear", "smooth", "ramp"};
    for (uint8_t type = 0; type < 4; type++)
        dir.Write(std::string("res/sync_") + names[type] + ".track",
                  TrackFileBytes({{0, 1, type}, {8, 3, type}}));
}

// A script that runs `prelude`, holds the music half a second in, and runs `each_frame` every
// frame; in the third it prints the "v" line of the four tracks, then `third`, and quits.
static std::string HalfASecondIn(const std::string& prelude, const std::string& each_frame = "",
                                 const std::string& third = "")
{
    return kValueLineLua + prelude + R"(
        function initialize()
            OpenWindow(64, 48, "tracks")
            PlayMusic("res/track.wav")
            host.seek(0.5)
            host.pause()
        end
        local frames = 0
        function update()
            frames = frames + 1
            )" + each_frame + R"(
            if frames == 3 then
                print(value_line{"step", "linear", "smooth", "ramp"})
                )" + third + R"(
                Quit()
            end
        end
    )";
}

TEST_F(Tracks, DemohostPlaysTheFilesTheEditorSaved)
{
    WriteFourFiles(dir);
    dir.Write("res/main.lua", HalfASecondIn(""));
    RunResult r = RunDemohost(dir);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, ValueLine(0.5));
}

// Keys written in the script play as the same keys in files do, in place of a track's file; the
// row and the beat follow the music; a track with no keys at all is named once.
TEST_F(Tracks, ScriptKeysPlayLikeFileKeysAndATrackWithoutKeysIsNamedOnce)
{
    dir.Write("res/sync_step.track", TrackFileBytes({{0, 9, 0}}));
    dir.Write("res/main.lua",
              HalfASecondIn(R"(
                  for _, type in ipairs{"step", "linear", "smooth", "ramp"} do
                      host.keys(type, {{0, 1, type}, {8, 3, type}})
                  end)",
                            R"(host.track("cam:y"))", R"(
                  host.tracks{bpm = 150, rows_per_beat = 8}
                  print(string.format("row %.9g beat %.9g", host.row(), host.beat())))"));
    RunResult r = RunDemohost(dir);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "track \"cam:y\" has no keys\n" + ValueLine(0.5) + "row 10 beat 1.25\n");
}

// A track the script keyed and the editor gave no keys is saved with the script's keys; one the
// editor keyed, with the editor's.
TEST_F(Tracks, TheEditorsSaveWritesTheScriptsKeysWhereTheEditorGaveNone)
{
    dir.Write("res/main.lua", R"(
        local host = require "demohost"
        host.keys("mine", {{2, 0.5, "linear"}, {6, 1.5}})
        host.keys("theirs", {{0, 7}})
        function initialize() OpenWindow(32, 24, "save") print("init") end
        function update() host.track("mine") host.track("theirs") end
    )");
    BackgroundRun live(LIVE_PATH, dir, {"--editor", editor.Address()});
    ASSERT_TRUE(editor.Accept(10)) << live.Output();
    ASSERT_TRUE(editor.WaitForTracks(2, 10)) << live.Output();
    editor.SetKey(1, 4, 2, 0);
    editor.SaveTracks();
    ASSERT_TRUE(live.WaitFor("demohost-live: saved 2 tracks", 5)) << live.Output();
    EXPECT_EQ(ReadWholeFile(dir.Path() + "/res/sync_mine.track"),
              TrackFileBytes({{2, 0.5f, 1}, {6, 1.5f, 0}}));
    EXPECT_EQ(ReadWholeFile(dir.Path() + "/res/sync_theirs.track"), TrackFileBytes({{4, 2, 0}}));
    live.Stop();
}

// The value at `row` of keys (0, 0, linear) (10, 1, smooth) (20, 0.25, ramp) (30, 2, step)
// (35, -1, linear), as the editor's player library computes it.
static double FadeAt(double row)
{
    const FileKey keys[] = {{0, 0, 1}, {10, 1, 2}, {20, 0.25f, 3}, {30, 2, 0}, {35, -1, 1}};
    if (row >= 35)
        return -1;
    int k = 0;
    while (std::floor(row) >= keys[k + 1].row)
        k++;
    double t = (row - keys[k].row) / (keys[k + 1].row - keys[k].row);
    return keys[k].value + (static_cast<double>(keys[k + 1].value) - keys[k].value) *
                               Ease(keys[k].type, t);
}

TEST_F(Tracks, CaptureAtARowAFrameGivesEachRowsExactValue)
{
    dir.Write("res/sync_fade.track",
              TrackFileBytes({{0, 0, 1}, {10, 1, 2}, {20, 0.25f, 3}, {30, 2, 0}, {35, -1, 1}}));
    // 20 fps at 150 bpm, and 25 fps at 187.5 bpm, where frame 29's time times 25 is just below 29.
    for (const char* fps : {"20", "25"}) {
        dir.Write("res/main.lua", R"(
            local host = require "demohost"
            host.tracks{bpm = )" + std::to_string(std::stod(fps) * 7.5) + R"(, rows_per_beat = 8,
                        prefix = "res/sync"}
            local frame = 0
            function initialize() OpenWindow(32, 24, "capture") PlayMusic("res/track.wav") end
            function update()
                print(string.format("%d %.17g", frame, host.track("fade")))
                frame = frame + 1
            end
        )");
        RunResult r = RunCapture(dir, {"--fps", fps, "--frames", "40", "--size", "32x24",
                                       "out.mkv"});
        ASSERT_EQ(r.exit_code, 0) << r.err;
        std::string expected;
        for (int k = 0; k < 40; k++) {
            char line[64];
            snprintf(line, sizeof line, "%d %.17g\n", k, FadeAt(k));
            expected += line;
        }
        EXPECT_EQ(r.out, expected) << fps;
    }
}

TEST_F(Tracks, EachBadFileIsNamedOnceAndHasNoKeys)
{
    dir.Write("res/sync_good.track", TrackFileBytes({{0, 4, 0}}));
    dir.Write("res/sync_short.track", "\x01\x00");
    dir.Write("res/sync_count.track", TrackFileBytes({{0, 4, 0}, {1, 5, 0}}).substr(0, 13));
    dir.Write("res/sync_order.track", TrackFileBytes({{5, 4, 0}, {3, 5, 0}}));
    dir.Write("res/sync_twice.track", TrackFileBytes({{3, 4, 0}, {3, 5, 0}}));
    dir.Write("res/sync_type.track", TrackFileBytes({{0, 4, 4}}));
    dir.Write("res/sync_negative.track", "\xff\xff\xff\xff");
    ASSERT_EQ(mkfifo((dir.Path() + "/res/sync_fifo.track").c_str(), 0600), 0);
    dir.Write("res/main.lua", R"(
        local host = require "demohost"
        local names = {"good", "short", "count", "order", "twice", "type", "negative", "fifo",
                       "missing"}
        local frames = 0
        function initialize() OpenWindow(32, 24, "bad") end
        function update()
            frames = frames + 1
            local values = {}
            for _, name in ipairs(names) do values[#values + 1] = host.track(name) end
            if frames == 3 then print(table.concat(values, " ")) Quit() end
        end
    )");
    RunResult r = RunDemohost(dir);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out,
              "Track file error: res/sync_short.track: too short for a key count\n"
              "track \"short\" has no keys\n"
              "Track file error: res/sync_count.track: a key count of 2 does not match its 13 "
              "bytes\n"
              "track \"count\" has no keys\n"
              "Track file error: res/sync_order.track: key 1 is not after the key before it\n"
              "track \"order\" has no keys\n"
              "Track file error: res/sync_twice.track: key 1 is not after the key before it\n"
              "track \"twice\" has no keys\n"
              "Track file error: res/sync_type.track: key 0 has an unknown type 4\n"
              "track \"type\" has no keys\n"
              "Track file error: res/sync_negative.track: a key count of -1 does not match its 4 "
              "bytes\n"
              "track \"negative\" has no keys\n"
              "Track file error: res/sync_fifo.track: not a regular file\n"
              "track \"fifo\" has no keys\n"
              "track \"missing\" has no keys\n"
              "4 0 0 0 0 0 0 0 0\n");
}

TEST_F(Tracks, TheModuleChecksItsArguments)
{
    dir.Write("res/main.lua", R"(
        local host = require "demohost"
        local calls = {
            function() host.tracks("fast") end,
            function() host.tracks{bpm = 0} end,
            function() host.tracks{rows_per_beat = "many"} end,
            function() host.tracks{bpm = 1 / 0} end,
            function() host.tracks{prefix = {}} end,
            function() host.track() end,
            function() host.track{} end,
            function() host.tracks{bmp = 140} end,
            function() host.tracks{[1] = 140} end,
            function() host.keys("k", {{0, 1}, {0, 2}}) end,
            function() host.keys("k", {{1.5, 1}}) end,
            function() host.keys("k", {{1, "high"}}) end,
            function() host.keys("k", {{1, 1, "bounce"}}) end,
            function() host.keys("k", {7}) end,
            function() host.keys("k") end,
        }
        for _, call in ipairs(calls) do print(select(2, pcall(call))) end
        -- The defaults: 120 bpm, 8 rows a beat, files beginning res/sync.
        host.tracks{}
        print(host.track("none"))
        function initialize() OpenWindow(32, 24, "arguments") end
        function update() Quit() end
    )");
    RunResult r = RunDemohost(dir);
    EXPECT_EQ(r.out,
              "res/main.lua:4: bad argument #1 to 'tracks' (table expected, got string)\n"
              "res/main.lua:5: bad argument #1 to 'tracks' (bpm must be a positive number)\n"
              "res/main.lua:6: bad argument #1 to 'tracks' (rows_per_beat must be a positive "
              "number)\n"
              "res/main.lua:7: bad argument #1 to 'tracks' (bpm must be a positive number)\n"
              "res/main.lua:8: bad argument #1 to 'tracks' (prefix must be a string)\n"
              "res/main.lua:9: bad argument #1 to 'track' (string expected, got no value)\n"
              "res/main.lua:10: bad argument #1 to 'track' (string expected, got table)\n"
              "res/main.lua:11: bad argument #1 to 'tracks' (unknown field \"bmp\")\n"
              "res/main.lua:12: bad argument #1 to 'tracks' (a number key is no field)\n"
              "res/main.lua:13: bad argument #2 to 'keys' (key 2 is not after the key before it)\n"
              "res/main.lua:14: bad argument #2 to 'keys' (key 1: the row must be a whole number "
              "of 0 or more)\n"
              "res/main.lua:15: bad argument #2 to 'keys' (key 1: the value must be a number)\n"
              "res/main.lua:16: bad argument #2 to 'keys' (key 1: the type must be step, linear, "
              "smooth or ramp)\n"
              "res/main.lua:17: bad argument #2 to 'keys' (key 1 is not a table {row, value, "
              "type})\n"
              "res/main.lua:18: bad argument #2 to 'keys' (table expected, got no value)\n"
              "track \"none\" has no keys\n"
              "0\n");
}
