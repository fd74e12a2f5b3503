// demohost-live's transport keys, carried out on its clock and on every music stream.

#include "live/transport_keys.h"

#include "audio/music.h"

bool TransportKeys::Shift() const
{
    return input_.held(GLFW_KEY_LEFT_SHIFT) || input_.held(GLFW_KEY_RIGHT_SHIFT);
}

bool TransportKeys::Step()
{
    int f5 = input_.presses(GLFW_KEY_F5), f6 = input_.presses(GLFW_KEY_F6);
    int f7 = input_.presses(GLFW_KEY_F7), f8 = input_.presses(GLFW_KEY_F8);
    int f9 = input_.presses(GLFW_KEY_F9);
    if (f6 % 2)
        Pause(!clock_.Paused());
    double step = Shift() ? 10 : 1;
    double jump = f9 ? clock_.StartTime() - clock_.Time() : (f8 - f7) * step;
    return Jump(jump) || f5 > 0;
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
