// The clock of demohost-capture: time is the frame count. Frame k runs at from + k / fps with a
// dt of exactly 1 / fps (the first frame's dt is 0: no time passes between initialize and it).
#pragma once

#include "audio/audio_device.h"
#include "frame_pieces.h"

#include <csignal>
#include <cstdint>

// Set by Ctrl+C: the capture ends after the frame being drawn, with a complete file.
inline volatile sig_atomic_t capture_interrupted = 0;

class CaptureClock : public FrameClock {
public:
    // At most `frames` frames; the music's first end stops the capture too when `until_music_end`.
    CaptureClock(int fps, int64_t frames, bool until_music_end, double from = 0)
        : fps_(fps), frames_(frames), until_music_end_(until_music_end), from_(from)
    {
    }
    void Start() override { next_ = 0; }
    // The first frame whose time is at or after the end of the first track is not run: the
    // track's last samples belong to the frame before it.
    bool Next(FrameTime& frame) override
    {
        if (capture_interrupted || next_ >= frames_ || (until_music_end_ && FirstStreamHasEnded()))
            return false;
        frame = {from_ + static_cast<double>(next_) / fps_, next_ == 0 ? 0.0 : 1.0 / fps_};
        next_++;
        return true;
    }

private:
    int fps_;
    int64_t frames_;
    bool until_music_end_;
    double from_;
    int64_t next_ = 0;
};
