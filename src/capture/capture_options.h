// The command line of demohost-capture: frame rate, size, length, quality, the output and the
// script's arguments.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class OutputKind {
    H264,       // .mp4 or .mkv: H.264 with AAC
    Vp9,        // .webm: VP9 with Opus
    PngFrames,  // a name with a %d: one PNG a frame, the sound in a WAV beside them
};

struct CaptureOptions {
    static const int64_t kMaxFrameRate = 1000;
    int fps = 60;
    int width = 0, height = 0;  // 0: the size the script opens its window with
    int64_t frames = -1;        // -1: until the script quits or the music ends
    int quality = 18;           // the encoder's constant rate factor; lower is better
    double from = 0;            // seconds: frame k's time is from + k / fps, the music starts there
    std::string output;
    OutputKind kind = OutputKind::H264;
    std::vector<std::string> script_args;
};

const char* const kCaptureUsage =
    "usage: demohost-capture [--fps N] [--size WxH] [--frames N | --seconds S] [--from S] "
    "[--quality Q] OUTPUT [-- ARGS...]";

// Reads the arguments after the program's name; false with a one-line message in `error`.
bool ParseCaptureOptions(const std::vector<std::string>& args, CaptureOptions& options,
                         std::string& error);
// The WAV written beside numbered PNG frames: the pattern without its number and extension.
std::string SoundPathBesideFrames(const std::string& pattern);
