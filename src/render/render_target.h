// Off-screen render targets (a framebuffer with up to four colour textures) and quads that cover
// the whole viewport. State: the list of targets, 10 entries filled in creation order and kept until
// the process ends or a reload replaces the state that made them, and the list set aside during
// a reload.
#pragma once

#include "render/texture.h"

// Where drawing goes when no target is bound: the window's own framebuffer (0), the off-screen
// frame that demohost-capture reads back, or the picture that full screen scales.
void SetWindowFramebuffer(unsigned framebuffer);
unsigned WindowFramebuffer();

// A reload: drawing returns to the window and the running state's targets are set aside, the
// list starting empty; then either they are freed (the new state started) or the new state's
// are freed and they come back.
void SetRenderTargetsAside();
void ReleaseRenderTargetsAside();
void PutRenderTargetsBack();

// Creates a target with `texture_count` colour textures (at most 4) and returns its handle
// (1..10); 0 when the list is full or no GL context exists.
int MakeRenderTarget(int width, int height, int texture_count);
// A framebuffer that draws into a new texture of width x height (the picture demohost-capture
// reads back, or the one full screen scales): left bound, its texture in `texture`. False when
// it is not complete.
bool MakePictureFramebuffer(int width, int height, unsigned& framebuffer, unsigned& texture);
// Redirects drawing into texture `attachment` of target `handle`, cleared, after clearing the
// framebuffer bound before.
void BindRenderTarget(int handle, int attachment);
// Returns drawing to the window with the viewport saved by the last bind.
void UnbindRenderTarget();
// One textured quad over the whole viewport, whatever the matrices.
void DrawScreenQuad();
void DrawRenderTarget(int handle, int index);
void DrawRenderTargets(const int handles[4], const int indices[4]);
// Binds up to four textures on units 0 to 3 and draws DrawScreenQuad.
void DrawFullScreenQuad(TextureHandle t0, TextureHandle t1, TextureHandle t2, TextureHandle t3);
// Texture `index` of target `handle`; 0 for handles or indices that name none.
TextureHandle RenderTargetAsTexture(int handle, int index);
