// demohost-live's transport keys, carried out on its clock and on every music stream.

#include "live/transport_keys.h"

#include "audio/music.h"

bool TransportKeys::Pressed(int key)
{
    bool down = key_down_(key);
    bool& held = held_[key - GLFW_KEY_F5];
    bool pressed = down && !held;
    held = down;
    return pressed;
}

bool TransportKeys::Shift() const
{
    return key_down_(GLFW_KEY_LEFT_SHIFT) || key_down_(GLFW_KEY_RIGHT_SHIFT);
}

bool TransportKeys::Step()
{
    bool f5 = Pressed(GLFW_KEY_F5), f6 = Pressed(GLFW_KEY_F6), f7 = Pressed(GLFW_KEY_F7);
    bool f8 = Pressed(GLFW_KEY_F8), f9 = Pressed(GLFW_KEY_F9);
    if (f6)
        Pause(!clock_.Paused());
    double step = Shift() ? 10 : 1;
    double jump = f9 ? clock_.StartTime() - clock_.Time() : f7 ? -step : f8 ? step : 0;
    return Jump(jump) || f5;
}

void TransportKeys::Pause(bool paused)
{
    clock_.Pause(paused);
    PauseAllMusic(paused);
}

bool TransportKeys::Jump(double seconds)
{
    if (seconds == 0)
        return false;
    MoveAllMusic(clock_.Jump(seconds));
    return true;
}
