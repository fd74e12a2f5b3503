// Off-screen render targets and quads that cover the whole viewport.

#include "render/render_target.h"

#include "render/render_target_internal.h"
#include "profile/profiler.h"
#include "render/gl_context.h"
#include "render/pipes.h"
#include "state_aside.h"

#include <GL/glew.h>

// The targets of the running state, and those of a state set aside by a reload.
static struct {
    RenderTargetList list;
    RenderTargetList aside;
} targets;

static bool FramebuffersAvailable()
{
    return CurrentGl().current && CurrentGl().framebuffers;
}

static bool MultitextureAvailable()
{
    return CurrentGl().current && CurrentGl().multitexture;
}

// The target of `handle`, or null when the handle names none.
static RenderTarget* TargetOf(int handle)
{
    if (handle < 1 || handle > targets.list.count)
        return nullptr;
    return &targets.list.targets[handle - 1];
}

static bool IsTextureIndex(int index)
{
    return index >= 0 && index < RenderTarget::kMaxTextures;
}

static void AddColorTexture(RenderTarget& target);
static unsigned CreateTargetTexture(int width, int height);

int MakeRenderTarget(int width, int height, int texture_count)
{
    if (targets.list.count >= RenderTargetList::kCapacity || !FramebuffersAvailable())
        return 0;
    RenderTarget& target = targets.list.targets[targets.list.count];
    target = RenderTarget{width, height, 0, 0, {}};
    glGenFramebuffersEXT(1, &target.framebuffer);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, target.framebuffer);
    if (texture_count > RenderTarget::kMaxTextures)
        texture_count = RenderTarget::kMaxTextures;
    for (int i = 0; i < texture_count; i++)
        AddColorTexture(target);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, targets.list.window_framebuffer);
    return ++targets.list.count;
}

static void AddColorTexture(RenderTarget& target)
{
    unsigned texture = CreateTargetTexture(target.width, target.height);
    int slot = target.texture_count++;
    target.textures[slot] = texture;
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT + slot, GL_TEXTURE_2D,
                              texture, 0);
}

bool MakePictureFramebuffer(int width, int height, unsigned& framebuffer, unsigned& texture)
{
    texture = CreateTargetTexture(width, height);
    glGenFramebuffersEXT(1, &framebuffer);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, texture,
                              0);
    return glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT) == GL_FRAMEBUFFER_COMPLETE_EXT;
}

static unsigned CreateTargetTexture(int width, int height)
{
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    // A size GL cannot hold leaves the texture empty: the target is incomplete and draws nothing.
    GLint max_size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_size);
    if (width >= 1 && height >= 1 && width <= max_size && height <= max_size)
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     nullptr);
    return name;
}

void BindRenderTarget(int handle, int attachment)
{
    FlushPipes();
    RenderTarget* target = TargetOf(handle);
    // An attachment without a texture is bound all the same: the framebuffer is then incomplete
    // and drawing into it has no visible effect, rather than landing on the window.
    if (!target || !IsTextureIndex(attachment) || target->framebuffer == 0 ||
        !FramebuffersAvailable())
        return;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, target->framebuffer);
    glPushAttrib(GL_VIEWPORT_BIT);
    targets.list.pushed_viewports++;
    glViewport(0, 0, target->width, target->height);
    glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT + attachment);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
}

void UnbindRenderTarget()
{
    FlushPipes();
    if (!FramebuffersAvailable())
        return;
    if (targets.list.pushed_viewports > 0) {
        glPopAttrib();
        targets.list.pushed_viewports--;
    }
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, targets.list.window_framebuffer);
}

void DrawScreenQuad()
{
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, 1, 1, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    // t grows up the screen, so what was drawn into a target comes back the same way up.
    glBegin(GL_QUADS);
    glTexCoord2f(1, 0);
    glVertex2i(1, 1);
    glTexCoord2f(1, 1);
    glVertex2i(1, 0);
    glTexCoord2f(0, 1);
    glVertex2i(0, 0);
    glTexCoord2f(0, 0);
    glVertex2i(0, 1);
    glEnd();

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void DrawRenderTarget(int handle, int index)
{
    FlushPipes();
    if (!TargetOf(handle) || !IsTextureIndex(index) || !CurrentGl().current)
        return;
    PROFILE_SITE(draw_render_target, "DrawRenderTarget");
    PROFILE_BEGIN(draw_render_target);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(RenderTargetAsTexture(handle, index)));
    DrawScreenQuad();
    end_zone();
}

void DrawRenderTargets(const int handles[4], const int indices[4])
{
    TextureHandle textures[4] = {};
    for (int i = 0; i < 4; i++) {
        bool optional = i >= 2 && handles[i] == 0;
        if (optional)
            continue;
        // A pair that names no texture draws nothing at all.
        if (!TargetOf(handles[i]) || !IsTextureIndex(indices[i])) {
            FlushPipes();
            return;
        }
        textures[i] = RenderTargetAsTexture(handles[i], indices[i]);
    }
    DrawFullScreenQuad(textures[0], textures[1], textures[2], textures[3]);
}

// Binds `texture` on texture unit `unit` (1 to 3) and enables texturing there.
static void BindUnit(GLenum unit, TextureHandle texture)
{
    glActiveTextureARB(unit);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture));
}

void DrawFullScreenQuad(TextureHandle t0, TextureHandle t1, TextureHandle t2, TextureHandle t3)
{
    FlushPipes();
    if (!MultitextureAvailable())
        return;
    PROFILE_SCOPE("DrawFullScreenQuad");
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(t0));
    BindUnit(GL_TEXTURE1_ARB, t1);
    // Units 2 and 3 are alternatives: with t2 given, t3 is not bound.
    if (t2 != 0)
        BindUnit(GL_TEXTURE2_ARB, t2);
    else if (t3 != 0)
        BindUnit(GL_TEXTURE3_ARB, t3);
    DrawScreenQuad();
    glDisable(GL_TEXTURE_2D);
    glActiveTextureARB(GL_TEXTURE2_ARB);
    glDisable(GL_TEXTURE_2D);
    glActiveTextureARB(GL_TEXTURE1_ARB);
    glDisable(GL_TEXTURE_2D);
    glActiveTextureARB(GL_TEXTURE0_ARB);
}

TextureHandle RenderTargetAsTexture(int handle, int index)
{
    RenderTarget* target = TargetOf(handle);
    if (!target || !IsTextureIndex(index))
        return 0;
    return static_cast<TextureHandle>(target->textures[index]);
}

// Frees the framebuffers and textures of every target in `targets` and empties it (the window's
// framebuffer stays).
static void ReleaseRenderTargets(RenderTargetList& targets)
{
    if (FramebuffersAvailable())
        for (int i = 0; i < targets.count; i++) {
            RenderTarget& target = targets.targets[i];
            glDeleteTextures(target.texture_count, target.textures);
            glDeleteFramebuffersEXT(1, &target.framebuffer);
        }
    targets.count = 0;
    targets.pushed_viewports = 0;
}

void SetWindowFramebuffer(unsigned framebuffer)
{
    targets.list.window_framebuffer = framebuffer;
}

unsigned WindowFramebuffer()
{
    return targets.list.window_framebuffer;
}

void SetRenderTargetsAside()
{
    UnbindRenderTarget();
    unsigned window_framebuffer = targets.list.window_framebuffer;
    SetPartAside(targets.list, targets.aside);
    targets.list.window_framebuffer = window_framebuffer;
}

void ReleaseRenderTargetsAside()
{
    ReleasePartAside(targets.aside, ReleaseRenderTargets);
}

void PutRenderTargetsBack()
{
    UnbindRenderTarget();
    unsigned window_framebuffer = targets.list.window_framebuffer;
    PutPartBack(targets.list, targets.aside, ReleaseRenderTargets);
    targets.list.window_framebuffer = window_framebuffer;
}

const RenderTargetList& MadeRenderTargets()
{
    return targets.list;
}
