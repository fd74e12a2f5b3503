// demohost: runs res/main.lua in real time, on the window library's clock, with the music on the
// audio device and every frame shown on screen.

#include "app/frame_loop.h"
#include "app/device_audio.h"

#include <GLFW/glfw3.h>

// Seconds since the window library started; dt since the previous frame began.
class WallClock : public FrameClock {
public:
    void Start() override { previous_ = glfwGetTime(); }
    bool Next(FrameTime& frame) override
    {
        double now = glfwGetTime();
        frame = {now, now - previous_};
        previous_ = now;
        return true;
    }

private:
    double previous_ = 0;
};

// The swap shows the frame; nothing else becomes of it.
class ScreenOutput : public FrameOutput {
public:
    bool ShowsWindow() const override { return true; }
    unsigned Framebuffer() const override { return 0; }
    bool Begin(const BitmapFont*) override { return true; }
    bool FrameDrawn() override { return true; }
    bool Finish() override { return true; }
};

int main(int argc, char** argv)
{
    WallClock clock;
    DeviceAudio audio;
    ScreenOutput screen;
    NoReload no_reload;
    return RunProgram(argc, argv, {clock, audio, screen, no_reload});
}
