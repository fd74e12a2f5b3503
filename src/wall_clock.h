// The window library's clock as a frame clock: seconds since it started, and dt since the
// previous frame. demohost's clock, and the part of demohost-live's that measures dt.
#pragma once

#include "frame_pieces.h"

#include <GLFW/glfw3.h>

class WallClock : public FrameClock {
public:
    // `now` reads the clock in seconds; tests give one of their own.
    explicit WallClock(double (*now)() = glfwGetTime) : now_(now) {}
    double StartTime() const override { return 0; }
    void Start() override { previous_ = now_(); }
    bool Next(FrameTime& frame) override
    {
        double now = now_();
        frame = {now, now - previous_};
        previous_ = now;
        return true;
    }
    bool TracksFollowMusic() const override { return true; }

private:
    double (*now_)();
    double previous_ = 0;
};
