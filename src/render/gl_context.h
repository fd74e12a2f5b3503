// What the GL context can do, recorded once when the window opens, so that drawing code asks a
// flag instead of the window library. State: the record, in gl_context.cpp.
#pragma once

struct GlContext {
    bool current = false;  // a context is current and its entry points are loaded
    // Changes with each new context: GL objects made in an older one are made again.
    unsigned generation = 0;
    bool buffers = false;       // vertex buffer objects
    bool shaders = false;       // shader objects and programs
    bool framebuffers = false;  // framebuffer objects with textures attached
    bool blit = false;          // copies between framebuffers
    bool multitexture = false;  // texture units beyond the first
};

// After the context is made current and its entry points loaded.
void RecordGlContext();
// When the window library ends: no context until the next record.
void ForgetGlContext();
const GlContext& CurrentGl();
