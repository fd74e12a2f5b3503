// Textures from image files (PNG, JPEG, BMP, TGA, GIF, PSD, PNM), decoded to 8-bit RGBA by
// stb_image.

#include "render/texture.h"

#include "render/texture_internal.h"
#include "platform/platform.h"
#include "problems.h"
#include "render/gl_context.h"
#include "state_aside.h"

#include <GL/glew.h>
#include <stb_image.h>

#include <cstdio>
#include <utility>

// The images of the running state, and those of a state set aside by a reload.
static struct {
    ImageList list;
    ImageList aside;
} images;

// What stops an image before it is decoded: not a regular file, HDR (whose decoder can hang on
// a cut file), or a size beyond what the GL takes; null when it may be decoded.
static const char* Refusal(FILE* file)
{
    if (!file)
        return "can't fopen";
    int width = 0, height = 0, components = 0;
    if (stbi_is_hdr_from_file(file))
        return "HDR images are not loaded";
    if (!stbi_info_from_file(file, &width, &height, &components))
        return nullptr;
    GLint max_size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_size);
    if (width > max_size || height > max_size)
        return "image too large";
    return nullptr;
}

TextureHandle LoadTexture(const char* path)
{
    if (!path || !CurrentGl().current)
        return 0;
    FILE* file = OpenRegularFile(path);
    const char* refusal = Refusal(file);
    int width = 0, height = 0, components = 0;
    unsigned char* pixels =
        refusal ? nullptr : stbi_load_from_file(file, &width, &height, &components, 4);
    if (file)
        fclose(file);
    if (!pixels) {
        PrintProblem("Image loading error: %s: %s\n", refusal ? refusal : stbi_failure_reason(),
                     path);
        return 0;
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    // Rows of 4 bytes per pixel are always 4-aligned, whatever GL_UNPACK_ALIGNMENT says.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    stbi_image_free(pixels);
    return static_cast<TextureHandle>(name);
}

void DeleteTexture(TextureHandle texture)
{
    GLuint name = static_cast<GLuint>(texture);
    if (name != 0 && CurrentGl().current)
        glDeleteTextures(1, &name);
}

TextureHandle LoadImage(const char* path)
{
    TextureHandle texture = LoadTexture(path);
    if (texture != 0)
        images.list.textures.push_back(texture);
    return texture;
}

static void ReleaseImages(ImageList& images)
{
    for (TextureHandle texture : images.textures)
        DeleteTexture(texture);
    images.textures.clear();
}

void SetImagesAside()
{
    SetPartAside(images.list, images.aside);
}

void ReleaseImagesAside()
{
    ReleasePartAside(images.aside, ReleaseImages);
}

void PutImagesBack()
{
    PutPartBack(images.list, images.aside, ReleaseImages);
}

const ImageList& LoadedImages()
{
    return images.list;
}
