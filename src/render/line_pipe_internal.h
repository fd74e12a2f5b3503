// The batch of lines not yet drawn.
#pragma once

struct LinePipe {
    static const int kCapacity = 5000;  // lines per batch
    float positions[kCapacity * 2 * 2];
    float colours[kCapacity * 2 * 4];
    int count;          // lines pending
    int current_width;  // pixels, of every pending line
};

// The module's state, for tests and benchmarks to read.
LinePipe& PendingLines();
