// The profiling overlay: the zone profiler's call tree drawn over every frame while a script has
// switched it on. State: the switch, the tree's text mesh, and the switch of a state set aside by
// a reload, in overlay.cpp.
#pragma once

struct BitmapFont;

// ShowProfiling's switch: whether the overlay is drawn over the frames that follow.
void SetProfilingOverlay(bool on);
bool ProfilingOverlayOn();

// Closes a profiler period and draws the call tree at (25, 25) in white; draws nothing without
// a font.
void DrawProfilingOverlay(const BitmapFont* font);

// A reload: the new state finds the overlay as the running one left it; when it fails, the old
// state's switch comes back.
void SetOverlayAside();
void PutOverlayBack();
