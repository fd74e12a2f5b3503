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
#include "live/live_clock.h"
#include "live/live_options.h"
#include "live/status_line.h"
#include "live/transport.h"

#include <cstdio>

static const double kSettleSeconds = 0.05;  // a save's changes have settled after this long

// Reloads when a file was saved, F5 pressed or the time jumped, and runs the transport keys.
class LiveReload : public ScriptReload {
public:
    LiveReload(const std::vector<std::string>& args, LiveClock& clock, LiveOutput& output)
        : args_(args), clock_(clock), output_(output), transport_(clock, KeyHeld)
    {
        if (!watch_.Open("res"))
            printf("demohost-live: cannot watch res/ for changes; F5 reloads\n");
    }

    void BeforeFrame(ScriptHost& host) override
    {
        // Both are read each frame, so that no key misses its press and no save is left over.
        bool saved = watch_.Settled(glfwGetTime(), kSettleSeconds);
        bool asked = transport_.Step();
        if (saved || asked)
            Reload(host);
        ShowStatus();
    }

private:
    // A good reload delivers the points its tracks have passed before its first update.
    void Reload(ScriptHost& host)
    {
        if (ReloadScript(host, args_)) {
            output_.status.error.clear();
            DeliverMusicEvents(host.State());
        } else {
            output_.status.error = LastScriptError();
        }
    }

    void ShowStatus()
    {
        double position = 0, length = 0;
        bool music = MusicPosition(position, length);
        output_.status.paused = clock_.Paused();
        output_.status.length = music ? length : 0;
        output_.status.position = music ? position : clock_.Time();
    }

    const std::vector<std::string>& args_;
    LiveClock& clock_;
    LiveOutput& output_;
    Transport transport_;
    FileWatch watch_;
};

int main(int argc, char** argv)
{
    LiveOptions options;
    std::string error;
    if (!ParseLiveOptions({argv + 1, argv + argc}, options, error)) {
        fprintf(stderr, "demohost-live: %s\n%s\n", error.c_str(), kLiveUsage);
        return 2;
    }
    LiveClock clock(options.start);
    DeviceAudio audio;
    LiveOutput output;
    LiveReload reload(options.script_args, clock, output);
    return RunProgram(options.script_args, {clock, audio, output, reload});
}
