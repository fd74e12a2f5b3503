// demohost-capture: runs res/main.lua frame by frame on the frame count's clock, mixes its music
// offline and encodes both into a video (or numbered PNG files and a WAV).

#include "app/frame_loop.h"
#include "app/window.h"
#include "capture/capture_clock.h"
#include "capture/capture_options.h"
#include "capture/encoder.h"
#include "capture/frame_capture.h"
#include "capture/offline_audio.h"

extern "C" {
#include <libavutil/log.h>
}

#include <cstdio>
#include <cstring>

static const int kMaxSeconds = 600;  // when neither the script, the options nor the music end it

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        printf("%s\n", kCaptureUsage);
        return 0;
    }
    CaptureOptions options;
    std::string error;
    if (!ParseCaptureOptions(args, options, error)) {
        fprintf(stderr, "demohost-capture: %s\n%s\n", error.c_str(), kCaptureUsage);
        return 2;
    }
    av_log_set_level(AV_LOG_ERROR);
    Encoder encoder;
    if (!encoder.Open(options, error)) {
        fprintf(stderr, "demohost-capture: %s\n", error.c_str());
        return 1;
    }
    app_window.offscreen = true;

    bool until_music_end = options.frames < 0;
    int64_t frames = until_music_end ? int64_t{kMaxSeconds} * options.fps : options.frames;
    CaptureClock clock(options.fps, frames, until_music_end);
    OfflineAudio audio(options.fps, encoder);
    CaptureFrames capture(options, frames, encoder);

    // The script's arguments, after the program's name as demohost passes them.
    std::vector<char*> script_argv = {argv[0]};
    for (std::string& arg : options.script_args)
        script_argv.push_back(arg.data());
    return RunProgram(static_cast<int>(script_argv.size()), script_argv.data(),
                      {clock, audio, capture});
}
