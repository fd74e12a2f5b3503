// Batched lines: one fixed client-side batch of up to 5000 lines of one width, with a colour
// per end. State: the pending batch, in line_pipe.cpp.
#pragma once

// Appends one line from (x1, y1) to (x2, y2); `start` and `end` are the RGBA colours of its ends.
// Pending boxes are flushed first. A width that differs from the pending lines' width, compared
// before truncation to whole pixels, starts a new batch.
void FillLinePipe(double x1, double y1, double x2, double y2, double width, const float start[4],
                  const float end[4]);
// Submits the pending lines, if any.
void FlushLinePipe();
