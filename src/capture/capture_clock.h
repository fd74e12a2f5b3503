// The clock of demohost-capture: time is the frame count. Frame k runs at from + k / fps with a
// dt of exactly 1 / fps (the first frame's dt is 0: no time passes between initialize and it).
#pragma once

#include "capture/offline_audio.h"
#include "frame_pieces.h"

#include <csignal>
#include <cstdint>

class CaptureClock : public FrameClock {
public:
    // At most `frames` frames; none once `interrupted` is set (Ctrl+C), nor, when `music` is
    // given, once its first music has played to its end.
    CaptureClock(int fps, int64_t frames, double from, const volatile sig_atomic_t& interrupted,
                 const OfflineAudio* music)
        : fps_(fps), frames_(frames), from_(from), interrupted_(interrupted), music_(music)
    {
    }
    double StartTime() const override { return from_; }
    void Start() override { next_ = 0; }
    // The first frame whose time is at or after the end of the first music is not run: the
    // music's last samples belong to the frame before it.
    bool Next(FrameTime& frame) override
    {
        if (interrupted_ || next_ >= frames_ || (music_ && music_->FirstMusicEnded()))
            return false;
        frame = {from_ + static_cast<double>(next_) / fps_, next_ == 0 ? 0.0 : 1.0 / fps_};
        next_++;
        return true;
    }
    // Frame k's time, so that frame k at the row rate is exactly row k.
    bool TracksFollowMusic() const override { return false; }

private:
    int fps_;
    int64_t frames_;
    double from_;
    const volatile sig_atomic_t& interrupted_;
    const OfflineAudio* music_;
    int64_t next_ = 0;
};
