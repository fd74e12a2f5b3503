// The list of render targets that scripts made.
#pragma once

struct RenderTarget {
    static const int kMaxTextures = 4;
    int width;
    int height;
    unsigned framebuffer;
    int texture_count;
    unsigned textures[kMaxTextures];  // slot s is colour attachment s; 0 when never filled
};

struct RenderTargetList {
    static const int kCapacity = 10;
    RenderTarget targets[kCapacity];
    int count;
    int pushed_viewports;  // viewports saved by binds and not yet restored by unbinds
    // Where drawing goes when no target is bound: the window's own (0), or the off-screen frame
    // that demohost-capture reads back.
    unsigned window_framebuffer;
};

// The module's state, for tests and benchmarks to read.
const RenderTargetList& MadeRenderTargets();
