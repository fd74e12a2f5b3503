// The profiling overlay: the zone profiler's call tree drawn over every frame while a script has
// switched it on. State: `profiling_display_on`.
#pragma once

struct BitmapFont;

extern bool profiling_display_on;

// Closes a profiler period and draws the call tree at (25, 25) in white; draws nothing without
// a font.
void DrawProfilingOverlay(const BitmapFont* font);
