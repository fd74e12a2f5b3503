// The line demohost-live draws over the script's picture, as the profiling overlay is drawn: the
// music's position and length, whether it is paused or connected to the sync editor, and the
// last reload's error; below it the problems panel; and the frame output that draws them.
// State: the line's text and mesh, and the panel.
#pragma once

#include "frame_pieces.h"
#include "live/error_panel.h"
#include "text/text.h"

#include <string>

class LiveReload;

// The frame is shown with the status line at its top left, wrapped to the window's width, in
// the default font; what it says is read from the reload piece and the frame's music position.
class LiveOutput : public FrameOutput {
public:
    explicit LiveOutput(const LiveReload& reload) : reload_(reload) {}
    bool ShowsWindow() const override { return true; }
    unsigned Framebuffer() const override { return 0; }
    bool Begin(const BitmapFont* default_font) override;
    bool FrameDrawn() override;
    bool Finish() override { return true; }

private:
    void MakeStatusText();

    const LiveReload& reload_;
    const BitmapFont* font_ = nullptr;
    // Rebuilt in place each frame, so that they stop allocating.
    std::string text_;
    TextMesh mesh_;
    ErrorPanel panel_;
};
