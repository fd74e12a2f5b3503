// Textures from image files, decoded to 8-bit RGBA. Textures live until freed or until the
// process ends. State: the images of the running state and of a state set aside by a reload, in
// texture.cpp.
#pragma once

#include <vector>

// A GL texture name; 0 means none.
using TextureHandle = int;

// Decodes the image at `path` (PNG, JPEG, BMP, TGA, GIF, PSD or PNM; a regular file; at most the
// GL's maximum texture size a side) into a new texture; prints the reason, naming the file, and
// returns 0 when it cannot. Needs a current GL context; without
// one it returns 0.
TextureHandle LoadTexture(const char* path);
// Frees a texture made by LoadTexture; 0 is none.
void DeleteTexture(TextureHandle texture);

// LoadTexture for a script: the texture is listed with the script's images, which a reload
// sets aside and frees with the state that loaded them.
TextureHandle LoadImage(const char* path);

// A reload: the running state's images are set aside and the list starts empty; then either they
// are freed (the new state started) or the new state's are freed and they come back.
void SetImagesAside();
void ReleaseImagesAside();
void PutImagesBack();
