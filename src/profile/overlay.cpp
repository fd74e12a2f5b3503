// The profiling overlay: the zone profiler's call tree drawn over every frame.

#include "profile/overlay.h"

#include "profile/profiler.h"
#include "text/text.h"

bool profiling_display_on = false;
static bool display_on_aside = false;
// Rebuilt in place each frame, so its arrays stop growing at the longest tree.
static TextMesh overlay_mesh;

void DrawProfilingOverlay(const BitmapFont* font)
{
    PROFILE_SCOPE("ShowProfiling");
    update();
    const std::string& tree = tree_text();
    if (!font)
        return;
    MakeText(*font, tree, -1, overlay_mesh);
    DrawTextMesh(overlay_mesh, 25, 25, 1, 1, 1, 1);
}

void SetOverlayAside()
{
    display_on_aside = profiling_display_on;
}

void PutOverlayBack()
{
    profiling_display_on = display_on_aside;
}
