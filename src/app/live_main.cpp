// demohost-live: runs res/main.lua as demohost does and reloads it whenever a file below res/ is
// saved, with the frame time going on and the music playing on where it was. F5 reloads, F6
// pauses and resumes, F7 and F8 jump a second back and forward (ten with Shift), F9 goes back to
// the start point; a line in the corner shows where the music is and the last reload's error.
// Connected to the sync editor, it takes the tracks' keys from it and follows its cursor and pause.

#include "app/device_audio.h"
#include "app/frame_loop.h"
#include "app/input.h"
#include "live/live_clock.h"
#include "live/live_options.h"
#include "live/live_reload.h"
#include "live/status_line.h"

#include <GLFW/glfw3.h>

#include <cstdio>

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
    LiveReload reload(options, clock, {KeyPresses, KeyHeld}, glfwGetTime);
    LiveOutput output(reload);
    return RunProgram(options.script_args, {clock, audio, output, reload});
}
