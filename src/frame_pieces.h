// The pieces in which demohost, demohost-capture and demohost-live differ, given to the one frame
// loop that they run: the clock, the audio output, what becomes of a frame once it is drawn, and
// what may replace the script's state between frames. Each program makes its own; none sets
// state for the loop by other means.
#pragma once

#include <string>

struct BitmapFont;

struct FrameTime {
    double time;  // seconds, the first argument of update
    double dt;    // seconds since the previous frame
};

class FrameClock {
public:
    virtual ~FrameClock() = default;
    // The first frame's time: music that the script starts begins at this point of their file.
    virtual double StartTime() const = 0;
    // Called once after initialize: the first frame's dt is measured from here.
    virtual void Start() = 0;
    // The next frame's time; false when no frame is left to run.
    virtual bool Next(FrameTime& frame) = 0;
    // Whether the sync tracks read their rows off the music heard while it plays, or off the frame time.
    virtual bool TracksFollowMusic() const = 0;
};

class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    // Before the script runs; a device that cannot be opened leaves the program without sound.
    virtual void Open() = 0;
    // After each frame has been shown: the music of the frame's span of time is played.
    virtual void FramePlayed() = 0;
    virtual void Close() = 0;
};

class FrameOutput {
public:
    virtual ~FrameOutput() = default;
    // Whether the script's window is shown; a hidden one takes no input (keys read as up, the
    // mouse as 0, 0).
    virtual bool ShowsWindow() const = 0;
    // Where drawing goes when no render target is bound, once Begin has run: 0 is the window's
    // own framebuffer.
    virtual unsigned Framebuffer() const = 0;
    // After initialize, before the first frame, with the default font (null when it could not be
    // read), which lives until the program ends; false ends the program with a failure.
    virtual bool Begin(const BitmapFont* default_font) = 0;
    // After the frame's drawing and the overlay, before the buffers are swapped; false when no
    // more frames can be taken (the program ends, and Finish says why).
    virtual bool FrameDrawn() = 0;
    // After the last frame; false when the program's result is incomplete.
    virtual bool Finish() = 0;
};

class ScriptReload {
public:
    virtual ~ScriptReload() = default;
    // Before each frame, before the clock gives its time: true asks the loop to reload the script
    // before the frame runs. A jump of the clock made here is seen by the frame's update.
    virtual bool BeforeFrame() = 0;
    // The reload asked for has run: whether the new state took over, and its error when not.
    virtual void Reloaded(bool ok, const std::string& error) = 0;
    // Whether a script error is printed once with its traceback and then counted while it
    // repeats, for the one editing the script; otherwise each is printed as it comes.
    virtual bool CountsRepeatedErrors() const { return false; }
};

// demohost and demohost-capture run one state from start to end.
class NoReload : public ScriptReload {
public:
    bool BeforeFrame() override { return false; }
    void Reloaded(bool, const std::string&) override {}
};

struct FramePieces {
    FrameClock& clock;
    AudioOutput& audio;
    FrameOutput& output;
    ScriptReload& reload;
};
