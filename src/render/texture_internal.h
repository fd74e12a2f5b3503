// The list of images that scripts loaded.
#pragma once

#include "render/texture.h"

#include <vector>

// The textures scripts loaded with LoadImage, so that a state's images can be released with it.
struct ImageList {
    std::vector<TextureHandle> textures;
};

// The module's state, for tests and benchmarks to read.
const ImageList& LoadedImages();
