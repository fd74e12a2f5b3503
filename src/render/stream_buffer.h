// A GL buffer that vertex data streams into, as the box and text drawing use it: each copy goes
// behind the one before and the buffer is renewed only when full, so the driver neither copies
// client arrays nor allocates at each draw.
#pragma once

#include <GL/glew.h>

struct StreamBuffer {
    GLsizeiptr size;                // bytes
    unsigned context = 0;  // the generation of the context its name belongs to; 0 before it is made
    GLuint name = 0;
    GLintptr offset = 0;  // where the next copy goes
};

// Makes the buffer in the current context. Its owner remakes it when the context changes.
void MakeStreamBuffer(StreamBuffer& buffer);
// Binds the buffer to GL_ARRAY_BUFFER and reserves `bytes` behind the last copy (renewing the
// buffer when they do not fit); returns where they start.
GLintptr ReserveStream(StreamBuffer& buffer, GLsizeiptr bytes);
