// demohost-live's transport keys, carried out on its clock and on every track.

#include "live/transport.h"

#include "audio/music.h"

bool Transport::Pressed(int key)
{
    bool down = key_down_(key);
    bool& held = held_[key - GLFW_KEY_F5];
    bool pressed = down && !held;
    held = down;
    return pressed;
}

bool Transport::Shift() const
{
    return key_down_(GLFW_KEY_LEFT_SHIFT) || key_down_(GLFW_KEY_RIGHT_SHIFT);
}

bool Transport::Step()
{
    bool f5 = Pressed(GLFW_KEY_F5), f6 = Pressed(GLFW_KEY_F6), f7 = Pressed(GLFW_KEY_F7);
    bool f8 = Pressed(GLFW_KEY_F8), f9 = Pressed(GLFW_KEY_F9);
    if (f6) {
        clock_.Pause(!clock_.Paused());
        PauseTracks(clock_.Paused());
    }
    double step = Shift() ? 10 : 1;
    double jump = f9 ? clock_.StartTime() - clock_.Time() : f7 ? -step : f8 ? step : 0;
    if (jump != 0)
        MoveTracks(clock_.Jump(jump));
    return f5 || jump != 0;
}
