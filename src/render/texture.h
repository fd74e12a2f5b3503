// Textures from image files, decoded to 8-bit RGBA. Textures live until the process ends.
#pragma once

// A GL texture name; 0 means none.
using TextureHandle = int;

// Decodes the image at `path` into a new texture; prints the decoder's reason and returns 0
// when it cannot. Needs a current GL context; without one it returns 0.
TextureHandle LoadTexture(const char* path);
