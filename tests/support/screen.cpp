// Reading the test display's screen through Xlib (kept apart: its names clash with the engine's).

#include "support/screen.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

Rgba ScreenPixel(int x, int y)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return {};
    XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, 1, 1, AllPlanes, ZPixmap);
    Rgba pixel{};
    if (image) {
        unsigned long value = XGetPixel(image, 0, 0);
        pixel = {static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8),
                 static_cast<uint8_t>(value), 255};
        XDestroyImage(image);
    }
    XCloseDisplay(display);
    return pixel;
}

int ScreenPixelsNotBlack(int x, int y, int width, int height)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 0;
    XImage* image =
        XGetImage(display, DefaultRootWindow(display), x, y, width, height, AllPlanes, ZPixmap);
    int lit = 0;
    for (int row = 0; image && row < height; row++) {
        for (int column = 0; column < width; column++)
            lit += (XGetPixel(image, column, row) & 0xffffff) != 0;
    }
    if (image)
        XDestroyImage(image);
    XCloseDisplay(display);
    return lit;
}

bool FindOnScreen(const Rgba& colour, int& x, int& y)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    Window root = DefaultRootWindow(display);
    XWindowAttributes size{};
    XGetWindowAttributes(display, root, &size);
    XImage* image = XGetImage(display, root, 0, 0, size.width, size.height, AllPlanes, ZPixmap);
    unsigned long wanted = static_cast<unsigned long>(colour.r) << 16 | colour.g << 8 | colour.b;
    bool found = false;
    for (int row = 0; image && row < size.height && !found; row++)
        for (int column = 0; column < size.width && !found; column++)
            if ((XGetPixel(image, column, row) & 0xffffff) == wanted) {
                x = column;
                y = row;
                found = true;
            }
    if (image)
        XDestroyImage(image);
    XCloseDisplay(display);
    return found;
}
