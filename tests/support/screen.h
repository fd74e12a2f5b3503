// What the X server shows on the test display's screen, read back through Xlib.
#pragma once

#include "support/gl.h"

// The pixel at screen (x, y) from the top left.
Rgba ScreenPixel(int x, int y);
// How many pixels of the screen's rectangle at (x, y), `width` by `height`, are not black.
int ScreenPixelsNotBlack(int x, int y, int width, int height);
// The first pixel of `colour` on the screen, row by row from the top left; false when none is.
bool FindOnScreen(const Rgba& colour, int& x, int& y);
