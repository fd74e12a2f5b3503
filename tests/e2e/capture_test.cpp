// demohost-capture end to end: the files it writes, read back with FFmpeg's own tools.

#include "support/audio_files.h"
#include "support/run.h"

#include <gtest/gtest.h>
#include <sndfile.h>
#include <stb_image.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include <sys/resource.h>

namespace fs = std::filesystem;

// A box 10 x 40 whose centre moves 200 pixels a second from x = 5, a 3-second track with sound
// only from 0.5 to 1.0 s and syncs at 0 s, 1 s, one sample after it, and 2 s; prints what the frame
// loop gives it that it should not, and the frame each sync arrives in.
static const char* kScript = R"(
    local frame = -1
    function initialize(args)
        OpenWindow(320, 240, "capture")
        PlayMusicWithSync("res/track.wav", {0, "zero", 1.0, "one", 1.00003, "after", 2.0, "two"})
    end
    function update(time, dt)
        frame = frame + 1
        if time ~= frame / 30 or dt ~= (frame == 0 and 0 or 1 / 30) then
            print("bad clock", frame, time, dt)
        end
        local x, y, left, right = GetMouse()
        if GetKey("a") or x ~= 0 or y ~= 0 or left or right then print("input", frame) end
        DrawBoxWithColor(5 + 200 * time, 120, 10, 40, 0, 0, 1, 1, 1, 1)
    end
    function MusicSync(name) print("sync", name, frame) end
)";

static void WriteCaptureScript(const ScriptDir& dir)
{
    dir.Write("res/main.lua", kScript);
    fs::copy_file(WriteBurst("capture_track.wav", 3.0, 0.5, 1.0, 1000, 0.5),
                  fs::path(dir.Path()) / "res" / "track.wav");
}

// Everything a command writes to standard output.
static std::string Output(const std::string& command)
{
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[65536];
    size_t n;
    while (pipe && (n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    if (pipe)
        pclose(pipe);
    return out;
}

static double Rms(const std::vector<float>& samples, double from, double to)
{
    double sum = 0;
    size_t first = static_cast<size_t>(from * 44100), last = static_cast<size_t>(to * 44100);
    for (size_t i = first; i < last && i < samples.size(); i++)
        sum += samples[i] * samples[i];
    return std::sqrt(sum / static_cast<double>(last - first));
}

// What ffprobe says of `video` with `options`, as comma-separated values without names.
static std::string Probe(const std::string& video, const std::string& options)
{
    return Output("ffprobe -v error " + options + " -of csv=p=0 '" + video + "'");
}

static std::string VideoFrames(const std::string& video)
{
    return Probe(video, "-count_frames -select_streams v:0 -show_entries stream=nb_read_frames");
}

static double Duration(const std::string& video)
{
    return std::stod(Probe(video, "-show_entries format=duration"));
}

TEST(Capture, ThreeSecondsAt30FpsToMp4AreFrameAndSampleExact)
{
    ScriptDir dir;
    WriteCaptureScript(dir);
    // No length given: the capture ends where the track does.
    RunResult r = RunCapture(dir, {"--fps", "30", "out.mp4"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    // A sync is delivered in the first frame whose time is at or after it.
    EXPECT_EQ(r.out, "sync\tzero\t0\nsync\tone\t30\nsync\tafter\t31\nsync\ttwo\t60\n");
    std::string video = dir.Path() + "/out.mp4";

    std::string streams = Probe(video, "-count_frames -show_entries stream=codec_name,width,height,"
                                       "r_frame_rate,nb_read_frames");
    EXPECT_EQ(streams.substr(0, streams.find("\naac,")), "h264,320,240,30/1,90");
    EXPECT_EQ(Probe(video, "-show_entries stream=codec_type"), "video\naudio\n");
    EXPECT_NEAR(Duration(video), 3.0, 0.05);
    EXPECT_EQ(Probe(video, "-select_streams v:0 -show_entries stream=duration"), "3.000000\n");

    // The sound as decoded from the file: loud only where the track is.
    std::string raw = Output("ffmpeg -v error -i '" + video + "' -f f32le -ac 1 -ar 44100 -");
    std::vector<float> samples(raw.size() / sizeof(float));
    memcpy(samples.data(), raw.data(), samples.size() * sizeof(float));
    EXPECT_GT(Rms(samples, 0.55, 0.95), 0.3);
    EXPECT_LT(Rms(samples, 1.1, 1.4), 0.01);
    EXPECT_LT(Rms(samples, 0.05, 0.45), 0.01);

    // Frame 15 (time 0.5) has the box across x = 100 to 110, and nothing where it was a frame
    // before or will be a frame after.
    std::string frame = Output("ffmpeg -v error -i '" + video +
                               "' -vf 'select=eq(n\\,15)' -frames:v 1 -f rawvideo -pix_fmt gray -");
    ASSERT_EQ(frame.size(), 320u * 240u);
    auto at = [&](int x, int y) { return static_cast<unsigned char>(frame[y * 320 + x]); };
    EXPECT_GT(at(105, 120), 200);
    EXPECT_LT(at(95, 120), 40);
    EXPECT_LT(at(115, 120), 40);
    EXPECT_LT(at(105, 90), 40);
}

TEST(Capture, PngFramesAreStretchedToTheSizeAndTheSameEveryRun)
{
    ScriptDir first, second;
    for (const ScriptDir* dir : {&first, &second}) {
        WriteCaptureScript(*dir);
        fs::create_directory(dir->Path() + "/frames");
        RunResult r = RunCapture(*dir, {"--fps", "30", "--frames", "16", "--size", "640x480",
                                        "frames/%04d.png"});
        ASSERT_EQ(r.exit_code, 0) << r.err;
    }
    for (int k = 0; k < 16; k++) {
        char name[32];
        snprintf(name, sizeof name, "frames/%04d.png", k);
        std::string a = ReadWholeFile(fs::path(first.Path()) / name);
        ASSERT_FALSE(a.empty()) << name;
        EXPECT_EQ(a, ReadWholeFile(fs::path(second.Path()) / name)) << name;
    }
    EXPECT_FALSE(fs::exists(fs::path(first.Path()) / "frames/0016.png"));

    // The window's 320 x 240 stretched over 640 x 480: frame 15's box spans x = 200 to 220.
    int width = 0, height = 0, channels = 0;
    std::string path = first.Path() + "/frames/0015.png";
    unsigned char* pixels = stbi_load(path.c_str(), &width, &height, &channels, 1);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);
    EXPECT_EQ(pixels[240 * 640 + 210], 255);
    EXPECT_EQ(pixels[240 * 640 + 196], 0);
    EXPECT_EQ(pixels[240 * 640 + 224], 0);
    EXPECT_EQ(pixels[190 * 640 + 210], 0);
    stbi_image_free(pixels);

    // The sound beside the frames (named "audio" when the pattern leaves no name) holds exactly
    // their 16 x 1470 samples.
    SF_INFO info{};
    SNDFILE* wav = sf_open((first.Path() + "/frames/audio.wav").c_str(), SFM_READ, &info);
    ASSERT_NE(wav, nullptr);
    EXPECT_EQ(info.frames, 16 * 1470);
    EXPECT_EQ(info.samplerate, 44100);
    sf_close(wav);
}

TEST(Capture, TenFramesToAPatternAndNothingBeforeAFrameWhenTheCommandIsBad)
{
    ScriptDir dir;
    WriteCaptureScript(dir);
    RunResult ten = RunCapture(dir, {"--frames", "10", "shot-%04d.png"});
    ASSERT_EQ(ten.exit_code, 0) << ten.err;
    int files = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir.Path()))
        files += entry.path().extension() == ".png";
    EXPECT_EQ(files, 10);
    EXPECT_TRUE(fs::exists(dir.Path() + "/shot-0009.png"));
    EXPECT_TRUE(fs::exists(dir.Path() + "/shot.wav"));

    // Each is refused with one line and a usage or reason, before the script runs at all.
    const std::vector<std::vector<std::string>> bad = {
        {"missing/folder/out.mp4"},
        {"missing/%03d.png"},
        {"out.avi"},
        {"out-%d.jpg"},
        {"--fps", "0", "out.mp4"},
        {"--size", "320", "out.mp4"},
        {"--frames", "10", "--seconds", "2", "out.mp4"},
        {"--quality", "60", "out.mp4"},
        {"--colour", "red", "out.mp4"},
        {},
    };
    for (const std::vector<std::string>& args : bad) {
        RunResult r = RunCapture(dir, args);
        std::string shown = args.empty() ? "(nothing)" : args[0];
        EXPECT_NE(r.exit_code, 0) << shown;
        EXPECT_EQ(r.out, "") << shown;
        EXPECT_EQ(r.err.rfind("demohost-capture: ", 0), 0u) << shown << ": " << r.err;
    }
    EXPECT_FALSE(fs::exists(dir.Path() + "/out.mp4"));
}

TEST(Capture, HowTheScriptEndsDecidesTheFileAndTheStatus)
{
    ScriptDir dir;
    dir.Write("res/main.lua", "function update() end");
    RunResult no_window = RunCapture(dir, {"out.mkv"});
    EXPECT_NE(no_window.exit_code, 0);
    EXPECT_NE(no_window.err.find("opened no window"), std::string::npos) << no_window.err;

    for (const char* end : {"Quit()", "os.exit(0)"}) {
        dir.Write("res/main.lua",
                  std::string("function initialize() OpenWindow(64, 48, 't') ") + end + " end");
        RunResult no_frame = RunCapture(dir, {"out.mkv"});
        EXPECT_NE(no_frame.exit_code, 0) << end;
        EXPECT_NE(no_frame.err.find("nothing was captured"), std::string::npos) << no_frame.err;
    }

    // Ended from inside frame 20's update: frames 0 to 19 make a complete file.
    dir.Write("res/main.lua", R"(
        local frame = 0
        function initialize() OpenWindow(64, 48, 't') end
        function update() if frame == 20 then os.exit(0) end frame = frame + 1 end)");
    RunResult exited = RunCapture(dir, {"exited.mkv"});
    EXPECT_EQ(exited.exit_code, 0) << exited.err;
    EXPECT_EQ(VideoFrames(dir.Path() + "/exited.mkv"), "20\n");

    // Ctrl+C, kill and a closed terminal (here sent from a shell the script starts in frame 10;
    // the shell's caller ignores them while it waits) end the capture with a complete file of the
    // frames so far; kill and hang-up even when they come twice at once, as timeout sends them.
    for (std::string signal :
         {"INT", "TERM", "HUP", "TERM $PPID; kill -TERM", "HUP $PPID; kill -HUP"}) {
        dir.Write("res/main.lua", R"(
            local frame = 0
            function initialize() OpenWindow(64, 48, 't') end
            function update()
                if frame == 10 then
                    os.execute("(sleep 0.5; kill -)" + signal + R"( $PPID) >/dev/null 2>&1 &")
                end
                frame = frame + 1
            end)");
        RunResult interrupted = RunCapture(dir, {"interrupted.mp4"});
        EXPECT_EQ(interrupted.exit_code, 0) << signal << interrupted.err;
        int frames = std::stoi("0" + VideoFrames(dir.Path() + "/interrupted.mp4"));
        EXPECT_GT(frames, 10) << signal;
        EXPECT_LT(frames, 36000) << signal;
    }
}

// Frames of 1837.5 samples at 24 frames a second: the sound beside the frames is the track, sample
// for sample from the first frame, with none lost or repeated where a frame's share is rounded.
TEST(Capture, TheSoundIsTheTrackSampleForSample)
{
    ScriptDir dir;
    WriteCaptureScript(dir);
    RunResult r = RunCapture(dir, {"--fps", "24", "--frames", "27", "--size", "32x24", "%d.png"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    SF_INFO info{};
    SNDFILE* wav = sf_open((dir.Path() + "/audio.wav").c_str(), SFM_READ, &info);
    ASSERT_NE(wav, nullptr);
    EXPECT_EQ(info.frames, 27 * 44100 / 24);
    std::vector<float> heard(static_cast<size_t>(info.frames) * 2);
    sf_readf_float(wav, heard.data(), info.frames);
    sf_close(wav);
    SNDFILE* track = sf_open((dir.Path() + "/res/track.wav").c_str(), SFM_READ, &info);
    std::vector<float> played(heard.size() / 2);
    sf_readf_float(track, played.data(), static_cast<sf_count_t>(played.size()));
    sf_close(track);
    int differing = 0;
    for (size_t i = 0; i < played.size(); i++)
        differing += std::fabs(heard[2 * i] - played[i]) > 1e-4f ||
                     std::fabs(heard[2 * i + 1] - played[i]) > 1e-4f;
    EXPECT_EQ(differing, 0);
}

TEST(Capture, TheBundledDemoForTwoSecondsToWebm)
{
    ScriptDir dir;
    dir.CopyRepositoryRes();
    RunResult r = RunCapture(dir, {"--seconds", "2", "demo.webm"}, 120);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    std::string video = dir.Path() + "/demo.webm";
    EXPECT_EQ(Probe(video, "-show_entries stream=codec_name"), "vp9\nopus\n");
    EXPECT_EQ(Probe(video, "-count_frames -select_streams v:0 -show_entries "
                           "stream=width,height,nb_read_frames"),
              "800,600,120\n");
    EXPECT_NEAR(Duration(video), 2.0, 0.05);
}

// The seconds from the first video packet's start to the last one's end, as decoded: the
// packets' own durations, or (Matroska keeps none for video) the track's duration tag.
static double VideoSeconds(const std::string& video)
{
    std::istringstream packets(
        Probe(video, "-select_streams v:0 -show_entries packet=pts_time,duration_time"));
    double first = -1, end = 0;
    for (std::string line; std::getline(packets, line);) {
        double pts = std::stod(line);
        std::string duration = line.substr(line.find(',') + 1);
        if (first < 0)
            first = pts;
        end = std::max(end, pts + (duration == "N/A" ? 0 : std::stod(duration)));
    }
    std::string tag = Probe(video, "-select_streams v:0 -show_entries stream_tags=DURATION");
    int hours = 0, minutes = 0;
    double seconds = 0;
    if (sscanf(tag.c_str(), "%d:%d:%lf", &hours, &minutes, &seconds) == 3)
        end = std::max(end, hours * 3600 + minutes * 60 + seconds);
    return end - first;
}

TEST(Capture, EveryContainerHoldsEveryFrameForItsWholeTime)
{
    ScriptDir dir;
    dir.Write("res/main.lua", R"(
        function initialize() OpenWindow(64, 48, 't') end
        function update(time) DrawBoxWithColor(10 + 100 * time, 20, 8, 8, 0, 0, 1, 1, 1, 1) end)");
    for (const char* name : {"one.mp4", "one.mkv", "one.webm", "many.mp4", "many.mkv",
                             "many.webm"}) {
        int frames = name[0] == 'o' ? 1 : 120;
        RunResult r = RunCapture(dir, {"--fps", "60", "--frames", std::to_string(frames), name});
        ASSERT_EQ(r.exit_code, 0) << name << r.err;
        std::string video = dir.Path() + "/" + name;
        EXPECT_EQ(VideoFrames(video), std::to_string(frames) + "\n") << name;
        EXPECT_NEAR(VideoSeconds(video), frames / 60.0, 0.002) << name;
    }
    // A one-frame MP4 shows its picture.
    std::string frame = Output("ffmpeg -v error -i '" + dir.Path() +
                               "/one.mp4' -frames:v 1 -f rawvideo -pix_fmt gray -");
    ASSERT_EQ(frame.size(), 64u * 48u);
    EXPECT_GT(static_cast<unsigned char>(frame[20 * 64 + 10]), 200);
}

TEST(Capture, SoundFarPastFullScaleOrNotANumberStillMakesACompleteFile)
{
    ScriptDir dir;
    fs::copy_file(WriteNoise("noise.wav", 2.0), fs::path(dir.Path()) / "res" / "noise.wav");
    for (const char* volume : {"1e7", "0/0"}) {
        dir.Write("res/main.lua", std::string(R"(
            function initialize()
                OpenWindow(64, 48, 't') PlayMusic("res/noise.wav") SetVolume()") +
                                      volume + R"()
            end
            function update() end)");
        RunResult r = RunCapture(dir, {"--seconds", "1", "loud.mp4"}, 60);
        ASSERT_EQ(r.exit_code, 0) << volume << r.err;
        std::string video = dir.Path() + "/loud.mp4";
        EXPECT_EQ(VideoFrames(video), "60\n") << volume;
        std::string raw = Output("ffmpeg -v error -i '" + video + "' -f f32le -ac 1 -ar 44100 -");
        std::vector<float> samples(raw.size() / sizeof(float));
        memcpy(samples.data(), raw.data(), samples.size() * sizeof(float));
        ASSERT_GT(samples.size(), 40000u) << volume;
        // Clipped noise is loud; silence where no sample was a number.
        double rms = Rms(samples, 0.1, 0.9);
        if (volume[0] == '1')
            EXPECT_GT(rms, 0.5);
        else
            EXPECT_LT(rms, 0.001);
    }
}

TEST(Capture, AFailedWriteEndsTheCaptureWithinFrames)
{
    ScriptDir dir;
    // Noise in every frame, the same in every run, and the frame's number printed.
    dir.Write("res/main.lua", R"(
        local frame = 0
        function initialize() OpenWindow(320, 240, 't') end
        function update()
            for i = 1, 3000 do
                local g = math.random()
                DrawBoxWithColor(math.random(0, 320), math.random(0, 240), 3, 3, 0, 0, g, g, g, 1)
            end
            frame = frame + 1
            print(frame)
        end)");
    std::vector<std::string> options = {"--quality", "0", "--frames"};
    options.push_back("40");
    options.push_back("sized.mp4");
    ASSERT_EQ(RunCapture(dir, options).exit_code, 0);
    auto frame_bytes = fs::file_size(dir.Path() + "/sized.mp4") / 40;
    ASSERT_GT(frame_bytes, 10000u);

    // A file-size limit that 20 frames reach: the capture ends as soon as a write fails, which
    // the encoder's queue and the file's interleaving of sound and picture hold back by a few
    // frames, not after the 3600 asked for.
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limited = saved;
    limited.rlim_cur = 20 * frame_bytes;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    options[3] = "3600";
    options[4] = "limited.mp4";
    RunResult r = RunCapture(dir, options, 120);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(r.exit_code, 1) << r.err;
    EXPECT_NE(r.err.find("demohost-capture: cannot write 'limited.mp4': File too large"),
              std::string::npos)
        << r.err;
    int frames = std::stoi("0" + r.out.substr(r.out.rfind('\n', r.out.size() - 2) + 1));
    EXPECT_GT(frames, 15) << r.err;
    EXPECT_LE(frames, 40) << r.err;
}

TEST(Capture, WithoutADisplayItSaysSoAndLeavesNoFile)
{
    ScriptDir dir;
    dir.Write("res/main.lua", "function initialize() OpenWindow(64, 48, 't') end");
    std::string display = getenv("DISPLAY") ? getenv("DISPLAY") : "";
    unsetenv("DISPLAY");
    RunResult r = RunCapture(dir, {"out.mp4"});
    setenv("DISPLAY", display.c_str(), 1);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("no display"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("xvfb-run"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir.Path() + "/out.mp4"));
}

TEST(Capture, AStartPointMovesTheTimeTheSoundAndThePoints)
{
    ScriptDir dir;
    fs::copy_file(WriteBurst("from_track.wav", 4.0, 2.5, 3.0, 1000, 0.5),
                  fs::path(dir.Path()) / "res" / "track.wav");
    dir.Write("res/main.lua", R"(
        local frame = -1
        function initialize()
            OpenWindow(64, 48, "t")
            PlayMusicWithSync("res/track.wav", {1.0, "one", 2.0, "two", 2.5, "late"})
        end
        function update(time) frame = frame + 1 if frame == 0 then print("time", time) end end
        function MusicSync(name) print("sync", name, frame) end)");
    RunResult r = RunCapture(dir, {"--fps", "30", "--from", "2", "--seconds", "1.5", "from.mkv"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, "time\t2\nsync\tone\t0\nsync\ttwo\t0\nsync\tlate\t15\n");
    // The sound is the track from 2 s: its tone from 0.5 s of the video on.
    std::string raw = Output("ffmpeg -v error -i '" + dir.Path() +
                             "/from.mkv' -f f32le -ac 1 -ar 44100 -");
    std::vector<float> samples(raw.size() / sizeof(float));
    memcpy(samples.data(), raw.data(), samples.size() * sizeof(float));
    EXPECT_LT(Rms(samples, 0.05, 0.45), 0.01);
    EXPECT_GT(Rms(samples, 0.55, 0.95), 0.3);
    EXPECT_LT(Rms(samples, 1.1, 1.4), 0.01);
}
