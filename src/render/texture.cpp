// Textures from image files, decoded to 8-bit RGBA by stb_image.

#include "render/texture.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <stb_image.h>

#include <cstdio>

TextureHandle LoadTexture(const char* path)
{
    if (!path || !glfwGetCurrentContext())
        return 0;
    int width = 0, height = 0, components = 0;
    unsigned char* pixels = stbi_load(path, &width, &height, &components, 4);
    if (!pixels) {
        printf("Image loading error: %s\n", stbi_failure_reason());
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
