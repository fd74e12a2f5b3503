// Textures from image files, decoded to 8-bit RGBA. Textures live until freed or until the
// process ends.
#pragma once

// A GL texture name; 0 means none.
using TextureHandle = int;

// Decodes the image at `path` (PNG, JPEG, BMP, TGA, GIF, PSD or PNM; a regular file; at most the
// GL's maximum texture size a side) into a new texture; prints the reason, naming the file, and
// returns 0 when it cannot. Needs a current GL context; without
// one it returns 0.
TextureHandle LoadTexture(const char* path);
// Frees a texture made by LoadTexture; 0 is none.
void DeleteTexture(TextureHandle texture);
