// Batched boxes: one fixed vertex batch of up to 2500 boxes sharing one texture, drawn from GL
// buffer objects.

#include "render/quad_pipe.h"

#include "render/quad_pipe_internal.h"
#include "profile/profiler.h"
#include "render/gl_context.h"
#include "render/hand_over.h"
#include "render/pipes.h"
#include "render/stream_buffer.h"

#include <GL/glew.h>

#include <array>
#include <cmath>

static QuadPipe quad_pipe;

// Texture coordinates and indices never change: corners 0..3 of box k are vertices 4k..4k+3
// with coordinates (1, 1), (1, 0), (0, 0), (0, 1), which puts an image's first row on top.
static constexpr auto kTexCoords = [] {
    std::array<float, QuadPipe::kCapacity * 4 * 2> coords{};
    const float corner[8] = {1, 1, 1, 0, 0, 0, 0, 1};
    for (size_t i = 0; i < coords.size(); i++)
        coords[i] = corner[i % 8];
    return coords;
}();

// Each box is two triangles, (0, 1, 2) and (0, 2, 3): the same pixels as the quad.
static constexpr auto kIndices = [] {
    std::array<uint16_t, QuadPipe::kCapacity * 6> indices{};
    const uint16_t corner[6] = {0, 1, 2, 0, 2, 3};
    for (size_t i = 0; i < indices.size(); i++)
        indices[i] = static_cast<uint16_t>(i / 6 * 4 + corner[i % 6]);
    return indices;
}();

// The buffers a batch is drawn from. Positions and colours stream into one buffer (without it, the
// driver's copies of client arrays made most of the cost: page faults after glibc handed their
// memory back). Texture coordinates and indices are uploaded once.
static const GLsizeiptr kPositionBytes = sizeof(QuadPipe::positions);
static const GLsizeiptr kColourBytes = sizeof(QuadPipe::colours);
static const GLsizeiptr kStreamBytes = 8 * (kPositionBytes + kColourBytes);

static struct {
    StreamBuffer stream{kStreamBytes};
    GLuint tex_coords = 0, indices = 0;
} quad_buffers;

static void MakeBuffers()
{
    MakeStreamBuffer(quad_buffers.stream);
    glGenBuffers(1, &quad_buffers.tex_coords);
    glGenBuffers(1, &quad_buffers.indices);
    glBindBuffer(GL_ARRAY_BUFFER, quad_buffers.tex_coords);
    glBufferData(GL_ARRAY_BUFFER, sizeof kTexCoords, kTexCoords.data(), GL_STATIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, quad_buffers.indices);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, sizeof kIndices, kIndices.data(), GL_STATIC_DRAW);
}

// Copies the pending boxes behind the last batch; returns where their positions start (their
// colours follow at a fixed distance).
static GLintptr StreamBatch(GLsizeiptr position_bytes, GLsizeiptr colour_bytes)
{
    GLintptr at = ReserveStream(quad_buffers.stream, kPositionBytes + kColourBytes);
    glBufferSubData(GL_ARRAY_BUFFER, at, position_bytes, quad_pipe.positions);
    glBufferSubData(GL_ARRAY_BUFFER, at + kPositionBytes, colour_bytes, quad_pipe.colours);
    return at;
}

void FillPipe(int texture, float r, float g, float b, float a, double x, double y, double width,
              double height, double angle)
{
    TakeDrawOrder(FlushPipe);
    if (texture != quad_pipe.current_texture || quad_pipe.count >= QuadPipe::kCapacity) {
        FlushPipe();
        quad_pipe.current_texture = texture;
    }
    PROFILE_SITE(fill_pipe, "FillPipe");
    PROFILE_BEGIN(fill_pipe);

    float hw = static_cast<float>(width * 0.5);
    float hh = static_cast<float>(height * 0.5);
    float dx[4] = {hw, hw, -hw, -hw};
    float dy[4] = {hh, -hh, -hh, hh};
    if (angle != 0) {
        double radians = angle * M_PI / 180;
        float s = static_cast<float>(std::sin(radians));
        float c = static_cast<float>(std::cos(radians));
        for (int i = 0; i < 4; i++) {
            float rx = dx[i] * c - dy[i] * s;
            float ry = dx[i] * s + dy[i] * c;
            dx[i] = rx;
            dy[i] = ry;
        }
    }
    float* position = quad_pipe.positions + quad_pipe.count * 8;
    float* colour = quad_pipe.colours + quad_pipe.count * 16;
    for (int i = 0; i < 4; i++) {
        position[i * 2] = static_cast<float>(x + dx[i]);
        position[i * 2 + 1] = static_cast<float>(y + dy[i]);
        colour[i * 4] = r;
        colour[i * 4 + 1] = g;
        colour[i * 4 + 2] = b;
        colour[i * 4 + 3] = a;
    }
    quad_pipe.count++;
    end_zone();
}

// One box goes through immediate mode: cheaper than switching three client arrays on and off.
static void DrawSingleBox()
{
    PROFILE_SCOPE("FlushPipeSimple");
    glColor4fv(quad_pipe.colours);
    glBegin(GL_QUADS);
    for (int i = 0; i < 4; i++) {
        glTexCoord2i(static_cast<int>(kTexCoords[i * 2]), static_cast<int>(kTexCoords[i * 2 + 1]));
        glVertex2f(quad_pipe.positions[i * 2], quad_pipe.positions[i * 2 + 1]);
    }
    glEnd();
    glColor4f(1, 1, 1, 1);
}

static void DrawBoxArrays()
{
    PROFILE_SCOPE("FlushPipeAdvanced");
    // Without a window (or before its entry points are loaded) there is nothing to draw to.
    if (!CurrentGl().current || !CurrentGl().buffers)
        return;
    if (quad_buffers.stream.context != CurrentGl().generation)
        MakeBuffers();
    GLsizeiptr boxes = quad_pipe.count;
    GLintptr at = StreamBatch(boxes * 8 * sizeof(float), boxes * 16 * sizeof(float));
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, reinterpret_cast<const void*>(at));
    glColorPointer(4, GL_FLOAT, 0, reinterpret_cast<const void*>(at + kPositionBytes));
    glBindBuffer(GL_ARRAY_BUFFER, quad_buffers.tex_coords);
    glTexCoordPointer(2, GL_FLOAT, 0, nullptr);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, quad_buffers.indices);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(6 * boxes), GL_UNSIGNED_SHORT, nullptr);
    CountDrawnVertices(static_cast<int>(4 * boxes));
    // The other pipes draw from client memory.
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

void FlushPipe()
{
    if (quad_pipe.count == 0)
        return;
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(quad_pipe.current_texture));
    if (quad_pipe.count == 1)
        DrawSingleBox();
    else
        DrawBoxArrays();
    quad_pipe.count = 0;
}

QuadPipe& PendingBoxes()
{
    return quad_pipe;
}
