// Batched boxes: one fixed vertex batch of up to 2500 boxes sharing one texture, submitted in one
// draw call from GL buffer objects. State: the pending batch, in quad_pipe.cpp.
#pragma once

#include <cstdint>

// Appends one box: centre (x, y), full width and height, angle in degrees clockwise on screen.
// Pending lines are flushed first (TakeDrawOrder), so boxes and lines reach GL in call order.
void FillPipe(int texture, float r, float g, float b, float a, double x, double y, double width,
              double height, double angle);
// Submits the pending boxes, if any.
void FlushPipe();
