// demohost: runs res/main.lua in real time, on the window library's clock, with the music on the
// audio device and every frame shown on screen.

#include "app/device_audio.h"
#include "app/frame_loop.h"
#include "wall_clock.h"

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
    return RunProgram({argv + 1, argv + argc}, {clock, audio, screen, no_reload});
}
