// The line demohost-live draws over the script's picture, as the profiling overlay is drawn: the
// music's position and length, whether it is paused or connected to the sync editor, and the
// last reload's error; and the frame output that draws it. State: the status and the line's
// text and mesh, in the output.
#pragma once

#include "frame_pieces.h"
#include "text/text.h"

#include <string>

struct LiveStatus {
    double position = 0;  // seconds of the music heard, or of the frame time without music
    double length = 0;    // seconds; 0 when no music plays
    bool paused = false;
    bool editor = false;  // connected to the sync editor
    std::string error;  // the last failed reload's error; empty after a good one
};

// The frame is shown with the status line at its top left, wrapped to the window's width, in
// the default font.
class LiveOutput : public FrameOutput {
public:
    bool ShowsWindow() const override { return true; }
    unsigned Framebuffer() const override { return 0; }
    bool Begin(const BitmapFont* default_font) override;
    bool FrameDrawn() override;
    bool Finish() override { return true; }
    LiveStatus status;

private:
    const BitmapFont* font_ = nullptr;
    // Rebuilt in place each frame, so that they stop allocating.
    std::string text_;
    TextMesh mesh_;
};
