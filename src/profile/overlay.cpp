// The profiling overlay: the zone profiler's call tree drawn over every frame.

#include "profile/overlay.h"

#include "profile/profiler.h"
#include "text/text.h"

static struct {
    bool on = false;
    bool on_aside = false;
    // Rebuilt in place each frame, so its arrays stop growing at the longest tree.
    TextMesh mesh;
} overlay;

void SetProfilingOverlay(bool on)
{
    overlay.on = on;
}

bool ProfilingOverlayOn()
{
    return overlay.on;
}

void DrawProfilingOverlay(const BitmapFont* font)
{
    PROFILE_SCOPE("ShowProfiling");
    update();
    const std::string& tree = tree_text();
    if (!font)
        return;
    MakeText(*font, tree, -1, overlay.mesh);
    DrawTextMesh(overlay.mesh, 25, 25, 1, 1, 1, 1);
}

void SetOverlayAside()
{
    overlay.on_aside = overlay.on;
}

void PutOverlayBack()
{
    overlay.on = overlay.on_aside;
}
