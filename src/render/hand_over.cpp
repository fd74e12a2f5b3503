// Handing drawn geometry to the GL driver in pieces: the count of vertices not yet handed over.

#include "render/hand_over.h"

#include <GL/glew.h>

// One full box or line batch. Much smaller pieces cost more than they gain: handed over every
// 2,000 vertices, 1,000 texts a frame drew a tenth slower.
static const int kPieceVertices = 10000;

static int vertices_not_handed_over = 0;

void CountDrawnVertices(int vertices)
{
    vertices_not_handed_over += vertices;
    if (vertices_not_handed_over < kPieceVertices)
        return;
    glFlush();
    vertices_not_handed_over = 0;
}
