// The profiling overlay: the zone profiler's call tree drawn over every frame while a script has
// switched it on. State: `profiling_display_on`, the tree's text mesh, and the switch of a state
// set aside by a reload.
#pragma once

struct BitmapFont;

extern bool profiling_display_on;

// Closes a profiler period and draws the call tree at (25, 25) in white; draws nothing without
// a font.
void DrawProfilingOverlay(const BitmapFont* font);

// A reload: the new state finds the overlay as the running one left it; when it fails, the old
// state's switch comes back.
void SetOverlayAside();
void PutOverlayBack();
