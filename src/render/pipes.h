// The order in which batched geometry reaches GL: boxes and lines in the order of the calls,
// and before anything that draws by other means or changes blending, program or framebuffer.
// At most one pipe holds pending geometry at a time. State: the pipe that holds it, in pipes.cpp.
#pragma once

// Submits whatever geometry is pending, boxes or lines.
void FlushPipes();

// Called by a pipe before it takes geometry, with its own flush: the other pipe's pending
// geometry is submitted first.
void TakeDrawOrder(void (*flush)());
// Flushes the pipes, then switches the destination blend factor to one (on) or back.
void SetAdditiveBlend(bool on);

// A reload sets drawing aside before the running state's tables: what is pending is drawn and
// blending is plain again for the new state. Releasing or putting back is FlushPipes: pending
// geometry is drawn before a state's textures are freed.
void SetDrawingAside();
