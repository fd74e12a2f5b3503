// Batched lines: one fixed client-side batch of up to 5000 lines of one width.

#include "render/line_pipe.h"

#include "render/line_pipe_internal.h"
#include "truncate.h"
#include "profile/profiler.h"
#include "render/hand_over.h"
#include "render/pipes.h"

#include <GL/glew.h>

#include <array>
#include <cstdint>
#include <cstring>

static LinePipe line_pipe = {{}, {}, 0, 1};

static constexpr auto kIndices = [] {
    std::array<uint32_t, LinePipe::kCapacity * 2> indices{};
    for (uint32_t i = 0; i < indices.size(); i++)
        indices[i] = i;
    return indices;
}();

void FillLinePipe(double x1, double y1, double x2, double y2, double width, const float start[4],
                  const float end[4])
{
    TakeDrawOrder(FlushLinePipe);
    if (width != line_pipe.current_width || line_pipe.count >= LinePipe::kCapacity) {
        FlushLinePipe();
        line_pipe.current_width = TruncateToInt(width);
    }
    PROFILE_SITE(fill_line_pipe, "FillLinePipe");
    PROFILE_BEGIN(fill_line_pipe);
    float* position = line_pipe.positions + line_pipe.count * 4;
    position[0] = static_cast<float>(x1);
    position[1] = static_cast<float>(y1);
    position[2] = static_cast<float>(x2);
    position[3] = static_cast<float>(y2);
    float* colour = line_pipe.colours + line_pipe.count * 8;
    memcpy(colour, start, 4 * sizeof(float));
    memcpy(colour + 4, end, 4 * sizeof(float));
    line_pipe.count++;
    end_zone();
}

static void DrawSingleLine()
{
    PROFILE_SCOPE("FlushLinePipeSimple");
    glBegin(GL_LINES);
    glColor4fv(line_pipe.colours);
    glVertex2fv(line_pipe.positions);
    glColor4fv(line_pipe.colours + 4);
    glVertex2fv(line_pipe.positions + 2);
    glEnd();
    glColor4f(1, 1, 1, 1);
}

static void DrawLineArrays()
{
    PROFILE_SCOPE("FlushLinePipeAdvanced");
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, line_pipe.positions);
    glColorPointer(4, GL_FLOAT, 0, line_pipe.colours);
    glDrawElements(GL_LINES, 2 * line_pipe.count, GL_UNSIGNED_INT, kIndices.data());
    CountDrawnVertices(2 * line_pipe.count);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

void FlushLinePipe()
{
    if (line_pipe.count == 0)
        return;
    // GL refuses widths below 1 and keeps the last width it accepted; skipping the call draws
    // the same and leaves no GL error behind.
    if (line_pipe.current_width >= 1)
        glLineWidth(static_cast<float>(line_pipe.current_width));
    glBindTexture(GL_TEXTURE_2D, 0);
    if (line_pipe.count == 1)
        DrawSingleLine();
    else
        DrawLineArrays();
    line_pipe.count = 0;
}

LinePipe& PendingLines()
{
    return line_pipe;
}
