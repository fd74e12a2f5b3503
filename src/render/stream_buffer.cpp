// Streaming vertex data through one GL buffer.

#include "render/stream_buffer.h"

#include "render/gl_context.h"

void MakeStreamBuffer(StreamBuffer& buffer)
{
    buffer.context = CurrentGl().generation;
    glGenBuffers(1, &buffer.name);
    glBindBuffer(GL_ARRAY_BUFFER, buffer.name);
    glBufferData(GL_ARRAY_BUFFER, buffer.size, nullptr, GL_STREAM_DRAW);
    buffer.offset = 0;
}

GLintptr ReserveStream(StreamBuffer& buffer, GLsizeiptr bytes)
{
    glBindBuffer(GL_ARRAY_BUFFER, buffer.name);
    if (buffer.offset + bytes > buffer.size) {
        glBufferData(GL_ARRAY_BUFFER, buffer.size, nullptr, GL_STREAM_DRAW);
        buffer.offset = 0;
    }
    GLintptr at = buffer.offset;
    buffer.offset += bytes;
    return at;
}
