// The status line of demohost-live.

#include "live/status_line.h"

#include "text/text.h"

#include <cstdio>

void DrawStatusLine(const BitmapFont* font, int width, const LiveStatus& status)
{
    if (!font)
        return;
    char position[64];
    if (status.length > 0)
        snprintf(position, sizeof position, "%.1f / %.1f s", status.position, status.length);
    else
        snprintf(position, sizeof position, "%.1f s", status.position);
    static std::string text;
    text = position;
    if (status.paused)
        text += "   paused";
    if (!status.error.empty())
        text += "\n" + status.error;
    static TextMesh mesh;
    MakeText(*font, text, width > 40 ? width - 20 : -1, mesh);
    DrawTextMesh(mesh, 10, 10, 1, 0.9f, 0.3f, 1);
}
