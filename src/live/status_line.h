// The line demohost-live draws over the script's picture, as the profiling overlay is drawn: the
// music's position and length, whether it is paused, and the last reload's error.
#pragma once

#include "text/font.h"

#include <string>

struct LiveStatus {
    double position = 0;  // seconds of the music heard, or of the frame time without music
    double length = 0;    // seconds; 0 when no music plays
    bool paused = false;
    std::string error;  // the last failed reload's error; empty after a good one
};

// Draws the status at the top left of a window `width` pixels wide, wrapped to it, in `font`.
void DrawStatusLine(const BitmapFont* font, int width, const LiveStatus& status);
