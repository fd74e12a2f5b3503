// The store of fonts that scripts loaded.
#pragma once

#include "text/font.h"

#include <memory>

struct FontStore {
    static const int kCapacity = 10;
    std::unique_ptr<BitmapFont> fonts[kCapacity];
    int count = 0;
};

// The module's state, for tests and benchmarks to read.
const FontStore& LoadedFonts();
