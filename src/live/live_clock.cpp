// demohost-live's clock: the wall clock's dt, held while paused and moved by jumps.

#include "live/live_clock.h"

#include <algorithm>

bool LiveClock::Next(FrameTime& frame)
{
    FrameTime wall;
    wall_.Next(wall);
    double dt = paused_ ? 0 : wall.dt;
    if (!first_)
        time_ += dt;
    first_ = false;
    frame = {time_, dt};
    return true;
}

double LiveClock::Jump(double seconds)
{
    seconds = std::max(seconds, -time_);
    time_ += seconds;
    return seconds;
}
