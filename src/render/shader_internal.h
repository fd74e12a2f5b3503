// The table of shader programs that scripts loaded.
#pragma once

struct ShaderProgram {
    unsigned program = 0;  // 0 until read and linked
    unsigned fragment_shader = 0;
    unsigned vertex_shader = 0;
};

struct ShaderTable {
    static const int kCapacity = 25;
    ShaderProgram slots[kCapacity];
    int count = 0;
    int current = 0;  // handle last selected; 0 is the fixed-function pipeline
};

// The module's state, for tests and benchmarks to read.
const ShaderTable& LoadedShaders();
