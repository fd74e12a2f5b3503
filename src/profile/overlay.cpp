// The profiling overlay: the zone profiler's call tree drawn over every frame.

#include "profile/overlay.h"

#include "profile/profiler.h"
#include "text/text.h"

bool profiling_display_on = false;

void DrawProfilingOverlay(const BitmapFont* font)
{
    PROFILE_SCOPE("ShowProfiling");
    update();
    const std::string& tree = tree_text();
    if (!font)
        return;
    static TextMesh mesh;
    MakeText(*font, tree, -1, mesh);
    DrawTextMesh(mesh, 25, 25, 1, 1, 1, 1);
}
