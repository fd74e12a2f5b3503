// The batch of boxes not yet drawn.
#pragma once

struct QuadPipe {
    static const int kCapacity = 2500;  // boxes per batch
    float positions[kCapacity * 4 * 2];
    float colours[kCapacity * 4 * 4];
    int count;            // boxes pending
    int current_texture;  // GL texture name of every pending box
};

// The module's state, for tests and benchmarks to read.
QuadPipe& PendingBoxes();
