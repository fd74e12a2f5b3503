// Textures from image files, decoded to 8-bit RGBA. Textures live until the process ends.
#pragma once

// A GL texture name; 0 means none.
using TextureHandle = int;

// Neither side of an image may pass this (nor the GL's maximum texture size): a few bytes of
// header could otherwise claim gigabytes of pixels.
const int kMaxImageSide = 8192;

// Decodes the image at `path` (PNG, JPEG, BMP, TGA, GIF, PSD or PNM; a regular file) into a new
// texture; prints the reason and returns 0 when it cannot. Needs a current GL context; without
// one it returns 0.
TextureHandle LoadTexture(const char* path);
