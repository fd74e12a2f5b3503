// demohost-live: runs res/main.lua as demohost does and reloads it whenever a file below res/ is
// saved, with the frame time going on and the music playing on where it was. F5 reloads, F6
// pauses and resumes, F7 and F8 jump a second back and forward (ten with Shift), F9 goes back to
// the start point; a line in the corner shows where the music is and the last reload's error.

#include "app/device_audio.h"
#include "app/frame_loop.h"
#include "app/reload.h"
#include "app/script_host.h"
#include "app/window.h"
#include "audio/music.h"
#include "live/file_watch.h"
#include "live/status_line.h"

#include <GLFW/glfw3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

static const double kSettleSeconds = 0.05;  // a save's changes have settled after this long
static const char* kUsage = "usage: demohost-live [--at SECONDS] [-- ARGS...]";

// The window library's clock, which holds while paused and moves with jumps. The first frame's
// time is the start point; dt is measured from the end of initialize, as in demohost.
class LiveClock : public FrameClock {
public:
    explicit LiveClock(double start) : time_(start) {}
    void Start() override { previous_ = glfwGetTime(); }
    bool Next(FrameTime& frame) override
    {
        double now = glfwGetTime();
        double dt = paused_ ? 0 : now - previous_;
        previous_ = now;
        if (!first_)
            time_ += dt;
        first_ = false;
        frame = {time_, dt};
        return true;
    }
    void Pause(bool paused) { paused_ = paused; }
    // The next frame's time moves by `seconds`.
    void Jump(double seconds) { time_ += seconds; }
    double Time() const { return time_; }

private:
    double time_;
    double previous_ = 0;
    bool paused_ = false;
    bool first_ = true;
};

// The frame is shown with the status line over it.
class LiveOutput : public FrameOutput {
public:
    bool ShowsWindow() const override { return true; }
    unsigned Framebuffer() const override { return 0; }
    bool Begin(const BitmapFont* default_font) override
    {
        font_ = default_font;
        return true;
    }
    bool FrameDrawn() override
    {
        int width = 0, height = 0;
        if (GLFWwindow* window = glfwGetCurrentContext())
            glfwGetWindowSize(window, &width, &height);
        DrawStatusLine(font_, width, status);
        return true;
    }
    bool Finish() override { return true; }
    LiveStatus status;

private:
    const BitmapFont* font_ = nullptr;
};

// Edges of the transport keys, read where no script can read them (GetKey reads only printable
// keys).
class TransportKeys {
public:
    // True in the frame after `key` went down.
    bool Pressed(int key)
    {
        bool down = app_window.handle && glfwGetKey(app_window.handle, key) == GLFW_PRESS;
        bool pressed = down && !held_[key - GLFW_KEY_F1];
        held_[key - GLFW_KEY_F1] = down;
        return pressed;
    }
    bool Shift() const
    {
        return app_window.handle && (glfwGetKey(app_window.handle, GLFW_KEY_LEFT_SHIFT) ||
                                     glfwGetKey(app_window.handle, GLFW_KEY_RIGHT_SHIFT));
    }

private:
    bool held_[12] = {};
};

// Reloads when a file was saved or F5 pressed, and runs the transport keys.
class LiveReload : public ScriptReload {
public:
    LiveReload(int argc, char** argv, double start, LiveClock& clock, LiveOutput& output)
        : argc_(argc), argv_(argv), start_(start), clock_(clock), output_(output)
    {
        if (!watch_.Open("res"))
            printf("demohost-live: cannot watch res/ for changes; F5 reloads\n");
    }

    void BeforeFrame(ScriptHost& host) override
    {
        // Every key is read each frame, so that none misses its press.
        bool saved = watch_.Settled(glfwGetTime(), kSettleSeconds);
        bool f5 = keys_.Pressed(GLFW_KEY_F5), f6 = keys_.Pressed(GLFW_KEY_F6);
        bool f7 = keys_.Pressed(GLFW_KEY_F7), f8 = keys_.Pressed(GLFW_KEY_F8);
        bool f9 = keys_.Pressed(GLFW_KEY_F9);
        if (f6)
            TogglePause();
        double step = keys_.Shift() ? 10 : 1;
        double jump = f9 ? start_ - clock_.Time() : f7 ? -step : f8 ? step : 0;
        bool reload = saved || f5;
        if (jump != 0)
            Jump(jump);
        if (reload || jump != 0)
            Reload(host);
        ShowStatus();
    }

private:
    void TogglePause()
    {
        paused_ = !paused_;
        clock_.Pause(paused_);
        for (AudioStream* stream : audio_device.playing)
            PauseStream(stream, paused_);
    }

    // The frame time and every track move by the same amount (not before their start).
    void Jump(double seconds)
    {
        seconds = std::max(seconds, -clock_.Time());
        clock_.Jump(seconds);
        for (AudioStream* stream : audio_device.playing)
            SeekStream(stream, std::max(0.0, StreamPosition(stream) + seconds));
    }

    // A good reload delivers the points its tracks have passed before its first update.
    void Reload(ScriptHost& host)
    {
        if (ReloadScript(host, argc_, argv_)) {
            output_.status.error.clear();
            DeliverMusicEvents(host.State());
        } else {
            output_.status.error = LastScriptError();
        }
    }

    void ShowStatus()
    {
        output_.status.paused = paused_;
        output_.status.length = StreamSeconds(music_channel);
        output_.status.position = music_channel ? StreamPosition(music_channel) : clock_.Time();
    }

    int argc_;
    char** argv_;
    double start_;
    LiveClock& clock_;
    LiveOutput& output_;
    FileWatch watch_;
    TransportKeys keys_;
    bool paused_ = false;
};

int main(int argc, char** argv)
{
    double start = 0;
    int first_script_arg = 1;
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--") == 0) {
            first_script_arg = i + 1;
            break;
        }
        char* end = nullptr;
        if (strcmp(argv[i], "--at") == 0 && i + 1 < argc &&
            (start = strtod(argv[i + 1], &end), end != argv[i + 1] && *end == '\0' && start >= 0)) {
            first_script_arg = ++i + 1;
            continue;
        }
        fprintf(stderr, "demohost-live: bad argument '%s'\n%s\n", argv[i], kUsage);
        return 2;
    }
    // The script's arguments, after the program's name as demohost passes them.
    std::vector<char*> script_argv = {argv[0]};
    for (int i = first_script_arg; i < argc; i++)
        script_argv.push_back(argv[i]);
    int script_argc = static_cast<int>(script_argv.size());

    StartMusicAt(start);
    LiveClock clock(start);
    DeviceAudio audio;
    LiveOutput output;
    LiveReload reload(script_argc, script_argv.data(), start, clock, output);
    return RunProgram(script_argc, script_argv.data(), {clock, audio, output, reload});
}
