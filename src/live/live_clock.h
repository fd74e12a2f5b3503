// The clock of demohost-live: the frame time holds while paused and moves with jumps. The first
// frame's time is the start point; dt is measured from the end of initialize, as in demohost.
// State: the frame time and the pause.
#pragma once

#include "wall_clock.h"

class LiveClock : public FrameClock {
public:
    explicit LiveClock(double start, double (*now)() = glfwGetTime)
        : wall_(now), start_(start), time_(start)
    {
    }
    double StartTime() const override { return start_; }
    void Start() override { wall_.Start(); }
    bool Next(FrameTime& frame) override;
    bool TracksFollowMusic() const override { return true; }
    void Pause(bool paused) { paused_ = paused; }
    bool Paused() const { return paused_; }
    // The next frame's time moves by `seconds`, not before 0; returns how far it moved.
    double Jump(double seconds);
    // The time of the last frame given, or of the next one after a jump.
    double Time() const { return time_; }

private:
    WallClock wall_;
    double start_;
    double time_;
    bool paused_ = false;
    bool first_ = true;
};
