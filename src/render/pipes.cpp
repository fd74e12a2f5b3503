// The draw order of the box and line pipes, and blending, which both draw with.

#include "render/pipes.h"

#include <GL/glew.h>

DrawOrder draw_order;

void FlushPipes()
{
    if (draw_order.holder)
        draw_order.holder();
    draw_order.holder = nullptr;
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
