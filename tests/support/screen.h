// What the X server shows on the test display's screen, read back through Xlib.
#pragma once

#include "support/gl.h"

// The pixel at screen (x, y) from the top left.
Rgba ScreenPixel(int x, int y);
