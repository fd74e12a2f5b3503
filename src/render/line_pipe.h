// Batched lines: one fixed client-side batch of up to 5000 lines of one width, with a colour
// per end. State: `line_pipe`, process-wide.
#pragma once

struct LinePipe {
    static const int kCapacity = 5000;  // lines per batch
    float positions[kCapacity * 2 * 2];
    float colours[kCapacity * 2 * 4];
    int count;          // lines pending
    int current_width;  // pixels, of every pending line
};

extern LinePipe line_pipe;

// Appends one line from (x1, y1) to (x2, y2); `start` and `end` are the RGBA colours of its ends.
// Pending boxes are flushed first. A width that differs from the pending lines' width, compared
// before truncation to whole pixels, starts a new batch.
void FillLinePipe(double x1, double y1, double x2, double y2, double width, const float start[4],
                  const float end[4]);
// Submits the pending lines, if any.
void FlushLinePipe();
