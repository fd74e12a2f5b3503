// The draw order of the box and line pipes, and blending, which both draw with.

#include "render/pipes.h"

#include <GL/glew.h>

static struct {
    void (*holder)() = nullptr;  // the flush of the pipe that holds pending geometry, or null
} draw_order;

void FlushPipes()
{
    if (draw_order.holder)
        draw_order.holder();
    draw_order.holder = nullptr;
}

void TakeDrawOrder(void (*flush)())
{
    if (draw_order.holder != flush) {
        FlushPipes();
        draw_order.holder = flush;
    }
}

void SetAdditiveBlend(bool on)
{
    FlushPipes();
    glBlendFunc(GL_SRC_ALPHA, on ? GL_ONE : GL_ONE_MINUS_SRC_ALPHA);
}

void SetDrawingAside()
{
    SetAdditiveBlend(false);
}
