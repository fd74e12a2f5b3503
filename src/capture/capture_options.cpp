// The command line of demohost-capture.

#include "capture/capture_options.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <regex>

// Whole numbers only, with nothing after them; false for anything else or out of [low, high].
static bool ReadInteger(const std::string& text, int64_t low, int64_t high, int64_t& value)
{
    if (text.empty() || !isdigit(static_cast<unsigned char>(text[0])))
        return false;
    char* end = nullptr;
    errno = 0;
    long long read = strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || read < low || read > high)
        return false;
    value = read;
    return true;
}

static bool ReadSize(const std::string& text, CaptureOptions& options)
{
    size_t x = text.find('x');
    int64_t width, height;
    if (x == std::string::npos || !ReadInteger(text.substr(0, x), 1, 16384, width) ||
        !ReadInteger(text.substr(x + 1), 1, 16384, height))
        return false;
    options.width = static_cast<int>(width);
    options.height = static_cast<int>(height);
    return true;
}

static std::string Lowercase(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

static bool EndsWith(const std::string& text, const char* suffix)
{
    std::string end(suffix);
    return text.size() > end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A printf-style frame number: %d with an optional zero flag and width.
static const std::regex kFrameNumber("%0?[0-9]*d");

static bool ReadOutputKind(CaptureOptions& options, std::string& error)
{
    std::string name = Lowercase(options.output);
    bool numbered = std::regex_search(options.output, kFrameNumber);
    if (numbered && EndsWith(name, ".png"))
        options.kind = OutputKind::PngFrames;
    else if (numbered)
        error = "numbered frames are written as PNG: the name must end in .png";
    else if (EndsWith(name, ".mp4") || EndsWith(name, ".mkv"))
        options.kind = OutputKind::H264;
    else if (EndsWith(name, ".webm"))
        options.kind = OutputKind::Vp9;
    else
        error = "cannot tell the format of '" + options.output +
                "': use .mp4, .mkv, .webm or a PNG name with a %d";
    return error.empty();
}

// The option at args[i] with its value at args[i + 1]; false with a message when it is bad.
static bool ReadOption(const std::vector<std::string>& args, size_t& i, CaptureOptions& options,
                       double& seconds, std::string& error)
{
    const std::string& name = args[i];
    static const char* const kNames[] = {"--fps", "--size", "--frames", "--seconds", "--from",
                                         "--quality"};
    // An unknown option is named as such even when nothing follows it.
    if (std::find(std::begin(kNames), std::end(kNames), name) == std::end(kNames)) {
        error = "unknown option " + name;
        return false;
    }
    if (i + 1 >= args.size()) {
        error = name + " needs a value";
        return false;
    }
    const std::string& value = args[++i];
    int64_t number = 0;
    bool good = true;
    if (name == "--fps") {
        good = ReadInteger(value, 1, CaptureOptions::kMaxFrameRate, number);
        options.fps = static_cast<int>(number);
    } else if (name == "--size") {
        good = ReadSize(value, options);
    } else if (name == "--frames") {
        good = ReadInteger(value, 1, INT32_MAX, options.frames);
    } else if (name == "--seconds") {
        char* end = nullptr;
        seconds = strtod(value.c_str(), &end);
        good = !value.empty() && *end == '\0' && seconds > 0 && seconds <= 1e6;
    } else if (name == "--from") {
        char* end = nullptr;
        options.from = strtod(value.c_str(), &end);
        good = !value.empty() && *end == '\0' && options.from >= 0 && options.from <= 1e6;
    } else {  // --quality
        good = ReadInteger(value, 0, 63, number);
        options.quality = static_cast<int>(number);
    }
    if (!good)
        error = "bad value for " + name + ": '" + value + "'";
    return good;
}

bool ParseCaptureOptions(const std::vector<std::string>& args, CaptureOptions& options,
                         std::string& error)
{
    double seconds = 0;
    bool frames_given = false;
    size_t i = 0;
    for (; i < args.size() && args[i] != "--"; i++) {
        if (args[i].size() > 1 && args[i][0] == '-') {
            frames_given = frames_given || args[i] == "--frames";
            if (!ReadOption(args, i, options, seconds, error))
                return false;
        } else if (options.output.empty()) {
            options.output = args[i];
        } else {
            error = "more than one output: '" + options.output + "' and '" + args[i] + "'";
            return false;
        }
    }
    if (i < args.size())
        options.script_args.assign(args.begin() + static_cast<ptrdiff_t>(i) + 1, args.end());
    if (frames_given && seconds > 0) {
        error = "--frames and --seconds both give the length: use one";
        return false;
    }
    if (seconds > 0)
        options.frames = std::max<int64_t>(1, std::llround(seconds * options.fps));
    if (options.output.empty()) {
        error = "no output file given";
        return false;
    }
    if (!ReadOutputKind(options, error))
        return false;
    if (options.kind == OutputKind::H264 && options.quality > 51) {
        error = "--quality for H.264 is 0 to 51";
        return false;
    }
    return true;
}

std::string SoundPathBesideFrames(const std::string& pattern)
{
    std::string path = std::regex_replace(pattern, kFrameNumber, "", std::regex_constants::format_first_only);
    path.erase(path.size() - 4);  // ".png"
    size_t name_start = path.find_last_of('/') + 1;
    while (path.size() > name_start && strchr("-_. ", path.back()))
        path.pop_back();
    if (path.size() == name_start)
        path += "audio";
    return path + ".wav";
}
