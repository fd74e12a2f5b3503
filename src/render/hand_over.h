// Hands drawn geometry to the GL driver in pieces of about 10,000 vertices. A software renderer
// otherwise rasterizes a whole frame at the swap, after the script has finished it; handed over
// in pieces, it rasterizes one piece on its own threads while the script computes the next.
// State: the vertices drawn since the last hand-over.
#pragma once

// Counts `vertices` just drawn; hands the pending pieces over (glFlush) once enough have gathered.
void CountDrawnVertices(int vertices);
