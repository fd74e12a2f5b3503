// Full screen: the script draws into a picture of its own size, which each swap scales onto the
// screen with its aspect kept (black bars where it differs). State: the picture's framebuffer and
// where the window stood, in fullscreen.cpp.
#pragma once

// Full screen on the monitor the window is on, and back; the script's coordinates stay. Nothing
// happens without a shown window.
void SetFullscreen(bool on);
bool IsFullscreen();
// A point of the window in the script's coordinates: unchanged unless in full screen.
void WindowToScript(double& x, double& y);
// Before the swap in full screen: the picture scaled onto the screen, black around it.
void PresentFullscreen();
