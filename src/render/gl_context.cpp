// The record of what the window's GL context can do.

#include "render/gl_context.h"

#include <GL/glew.h>

static GlContext gl_context;

void RecordGlContext()
{
    GlContext& gl = gl_context;
    gl.current = true;
    gl.generation++;
    gl.buffers = glGenBuffers && glBindBuffer && glBufferData;
    gl.shaders = glCreateShaderObjectARB && glCreateProgramObjectARB && glUseProgramObjectARB &&
                 glGetUniformLocationARB;
    gl.framebuffers = glGenFramebuffersEXT && glBindFramebufferEXT && glFramebufferTexture2DEXT;
    gl.blit = gl.framebuffers && glBlitFramebufferEXT;
    gl.multitexture = glActiveTextureARB;
}

void ForgetGlContext()
{
    unsigned generation = gl_context.generation;
    gl_context = GlContext{};
    gl_context.generation = generation;
}

const GlContext& CurrentGl()
{
    return gl_context;
}
