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

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

static const int kMaxSeconds = 600;  // when neither the script, the options nor the music end it

// The capture while frames may still come: a script that ends the process with os.exit gets the
// frames so far as a complete file, or the exit status says that the file is not.
static CaptureFrames* unfinished = nullptr;

static void FinishOnExit()
{
    CaptureFrames* capture = unfinished;
    unfinished = nullptr;
    if (capture && !capture->Finish())
        _exit(1);
}

// Ctrl+C, kill (SIGTERM) and a closed terminal (SIGHUP) end the capture after the current frame
// with a complete file. A second Ctrl+C ends the program at once; SIGTERM and SIGHUP often come
// twice in a row (timeout sends one to the program and one to its process group), so repeats of
// them are taken as the first. A file-size limit makes writes fail instead of killing the
// program, so that the capture ends with the reason.
static volatile sig_atomic_t interrupted = 0;

static void OnInterrupt(int)
{
    interrupted = 1;
}

static void CatchInterrupt()
{
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    for (int signal : {SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
    ::signal(SIGXFSZ, SIG_IGN);
}

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
    // The script draws with OpenGL in a window that is never shown, which needs a display; found
    // out before the output file is made, so that none is left behind.
    if (!InitWindowLibrary()) {
        fprintf(stderr, "demohost-capture: no display: the capture draws with OpenGL through X, "
                        "so it needs one; without a screen, xvfb-run provides one "
                        "(xvfb-run -a demohost-capture ...)\n");
        return 1;
    }
    av_log_set_level(AV_LOG_ERROR);
    Encoder encoder;
    if (!encoder.Open(options, error)) {
        fprintf(stderr, "demohost-capture: %s\n", error.c_str());
        return 1;
    }

    bool until_music_end = options.frames < 0;
    int64_t frames = until_music_end ? int64_t{kMaxSeconds} * options.fps : options.frames;
    OfflineAudio audio(options.fps, encoder);
    CaptureClock clock(options.fps, frames, options.from, interrupted,
                       until_music_end ? &audio : nullptr);
    CaptureFrames capture(options, frames, encoder);
    unfinished = &capture;
    atexit(FinishOnExit);
    CatchInterrupt();
    NoReload no_reload;
    int status = RunProgram(options.script_args, {clock, audio, capture, no_reload});
    unfinished = nullptr;
    return status;
}
